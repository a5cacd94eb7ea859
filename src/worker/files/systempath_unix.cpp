// SPDX-License-Identifier: MIT
#include "files/systempath.h"

#include <QFile>

Qt::CaseSensitivity pathCaseSensitivity()
{
    return Qt::CaseSensitive;
}

bool pathTooLongToOpen(const QString &path)
{
    return path.toLocal8Bit().size() >= 4096; // PATH_MAX on Linux
}

bool folderListable(const QFileInfo &folder)
{
    return folder.isReadable() && folder.isExecutable();
}

QByteArray pathForCLibrary(const QString &path)
{
    return QFile::encodeName(path);
}

QString programFileName(const QString &program)
{
    return program;
}
