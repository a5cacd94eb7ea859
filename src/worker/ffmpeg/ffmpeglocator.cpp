// SPDX-License-Identifier: MIT
#include "ffmpeg/ffmpeglocator.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString executableName(const QString &tool)
{
#ifdef Q_OS_WIN
    return tool + QStringLiteral(".exe");
#else
    return tool;
#endif
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString bundledFfmpegPath(const QString &applicationDir)
{
    return applicationDir + QStringLiteral("/ffmpeg/bin/")
        + executableName(QStringLiteral("ffmpeg"));
}

QString locateFfmpeg(const QString &applicationDir)
{
    const QString bundled = bundledFfmpegPath(applicationDir);
    if (isExecutableFile(bundled))
        return bundled;
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}
