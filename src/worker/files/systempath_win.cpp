// SPDX-License-Identifier: MIT
#include "files/systempath.h"

Qt::CaseSensitivity pathCaseSensitivity()
{
    return Qt::CaseInsensitive;
}

bool pathTooLongToOpen(const QString &path)
{
    Q_UNUSED(path);
    return false;
}

bool folderListable(const QFileInfo &folder)
{
    return folder.isReadable();
}

QByteArray pathForCLibrary(const QString &path)
{
    return path.toUtf8();
}

QString programFileName(const QString &program)
{
    return program + QStringLiteral(".exe");
}
