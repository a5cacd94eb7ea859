// SPDX-License-Identifier: MIT
#ifndef MEDIAPACKETS_H
#define MEDIAPACKETS_H

#include <QByteArray>
#include <QString>

#include <vector>

#include "records/problem.h"
#include "records/stopcheck.h"

// Into how many runs of packets a stream is cut for its checksums: where a file is damaged can
// be told to a sixty-fourth of its length.
constexpr int checksumRuns = 64;

// What the packets of one stream hold, read to the end of the file.
struct StreamPackets
{
    bool present = false;
    double declared = -1; // the length its header gives, in seconds; below zero when unknown
    double reaches = 0; // from its first packet to the end of its last one read, in seconds
    bool whole = false; // every packet its index names was read, each with all its bytes
    QByteArray checksum; // Adler-32 of its packets' bytes in order, in hex, as ffmpeg gives it
    qint64 count = 0; // how many packets were read
    // The packets in the order the file stores them, cut into checksumRuns runs by the count its
    // index gives (packet i of n is in run i * checksumRuns / n): the Adler-32 of each run's
    // bytes, and where each run begins, in seconds from the stream's first packet.
    std::vector<quint32> runSums;
    std::vector<double> runStarts;
};

struct MediaPackets
{
    StreamPackets video;
    StreamPackets audio;
    QString tag; // the source tag in the file's metadata, if any
};

// Reads every packet of an MP4 file's video and audio stream to its end, with FFmpeg's own
// library and without decoding: how far each stream's data reaches, whether every packet is
// there whole, a checksum of each stream's bytes, and the file's source tag. The file is opened as
// readMedia opens it; a stop ends the read within a moment. MediaUnreadable, NotMedia or Stopped
// when it cannot be read at all; a file cut short is read as far as it goes, and that is no problem
// here.
Problem readPackets(const QString &path, MediaPackets *packets, const StopCheck &stopRequested);

#endif // MEDIAPACKETS_H
