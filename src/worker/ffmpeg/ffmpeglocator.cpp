// SPDX-License-Identifier: MIT
#include "ffmpeg/ffmpeglocator.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "files/systempath.h"

namespace {

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString bundledFfmpegPath(const QString &applicationDir)
{
    return applicationDir + QStringLiteral("/ffmpeg/bin/")
        + programFileName(QStringLiteral("ffmpeg"));
}

QString locateFfmpeg(const QString &applicationDir)
{
    const QString bundled = bundledFfmpegPath(applicationDir);
    if (isExecutableFile(bundled))
        return bundled;
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}
