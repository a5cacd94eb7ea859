// SPDX-License-Identifier: MIT
#ifndef MEDIADECODE_H
#define MEDIADECODE_H

#include <QString>

#include "records/problem.h"
#include "records/stopcheck.h"

// What decoding one stream of a file came to.
struct DecodedStream
{
    bool present = false;
    QString codec; // its codec's name
    bool decoderFound = false; // this build of FFmpeg can decode it
    double failsAt = -1; // where its data first failed to decode, in seconds; below zero: nowhere
};

struct DecodedMedia
{
    DecodedStream video;
    DecodedStream audio;
};

// Decodes every packet of an MP4 file's video and audio stream with FFmpeg's own decoders,
// strict about errors: how an output that records no checksums of its own is proven. The file
// is opened as readPackets opens it; a stop ends the work within a moment. MediaUnreadable,
// NotMedia or Stopped when it cannot be read at all.
Problem decodeEveryFrame(const QString &path, DecodedMedia *decoded,
                         const StopCheck &stopRequested);

#endif // MEDIADECODE_H
