// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes as a file at an output's name: reading it must never crash, hang or
// take it for a video it is not.
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "media/mediareader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("output.mp4"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    MediaInfo info;
    const Problem read = readMedia(path, &info);
    if (read.isNone() ? (info.video < -1 || info.audio < -1)
                      : (read.kind != Problem::NotMedia && read.kind != Problem::MediaUnreadable)) {
        std::fprintf(stderr, "unexpected answer: problem %d\n", int(read.kind));
        std::abort();
    }
    return 0;
}
