// SPDX-License-Identifier: MIT
#include "ffmpeg/streamhash.h"

#include <QList>

QStringList streamHashArguments()
{
    return { QStringLiteral("-c"),         QStringLiteral("copy"),  QStringLiteral("-f"),
             QStringLiteral("streamhash"), QStringLiteral("-hash"), QStringLiteral("adler32"),
             QStringLiteral("pipe:1") };
}

StreamSums parseStreamHashes(const QByteArray &printed)
{
    StreamSums sums;
    for (const QByteArray &line : printed.split('\n')) {
        // <output stream>,<v or a>,adler32=<hex>; only the first of each kind counts.
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() != 3 || !fields.at(2).toLower().startsWith("adler32="))
            continue;
        QByteArray *kind = fields.at(1) == "v" ? &sums.video
            : fields.at(1) == "a"              ? &sums.audio
                                               : nullptr;
        if (kind && kind->isEmpty())
            *kind = fields.at(2).mid(int(qstrlen("adler32="))).toLower();
    }
    return sums;
}
