// SPDX-License-Identifier: MIT
#ifndef STREAMHASH_H
#define STREAMHASH_H

#include <QByteArray>
#include <QStringList>

// Checksums of the packets of an item's video and audio stream: what ffmpeg copied into the
// output, or what the sources hold. Empty where not known.
struct StreamSums
{
    QByteArray video;
    QByteArray audio;

    bool isEmpty() const { return video.isEmpty() && audio.isEmpty(); }
};

// A second output for the ffmpeg run that copies an item's streams: the same streams, copied
// again into ffmpeg's stream-hash writer, which prints an Adler-32 checksum of each stream's
// packets on its standard output at the end. The sources are read once for both.
QStringList streamHashArguments();

// The checksums in what that output printed ("0,v,adler32=9ca2c5e8" a line).
StreamSums parseStreamHashes(const QByteArray &printed);

#endif // STREAMHASH_H
