// SPDX-License-Identifier: MIT
#ifndef MEDIAVERIFICATION_H
#define MEDIAVERIFICATION_H

#include <QString>

#include "itemresult.h"
#include "processwait.h"

// What ffprobe says of one media file; a duration below zero is unknown.
struct MediaDurations
{
    bool hasVideo = false;
    bool hasAudio = false;
    double video = -1;
    double audio = -1;
    QString tag; // the source tag in the file's metadata, if any
};

// Reads ffprobe's "-of compact" listing of stream types, durations and the tag. A stream
// without a duration of its own (as in fragmented files) takes the container's.
MediaDurations parseProbeOutput(const QString &compactOutput);

// What keeps the output from being a complete conversion of the two inputs, or no problem
// when it holds a video and an audio stream, each within the tolerance of its source.
Problem durationMismatch(const MediaDurations &output, const MediaDurations &videoInput,
                         const MediaDurations &audioInput, double toleranceSeconds = 1.0);

// Runs ffprobe on a file; a stop ends the wait within a moment.
Problem probeMedia(const QString &ffprobe, const QString &file, MediaDurations *result,
                   const StopCheck &stopRequested = {});

// Compares the output's streams with both sources. Source lengths below zero are unknown and
// are asked of ffprobe.
Problem compareWithSources(const QString &ffprobe, const MediaDurations &output,
                           const QString &videoFile, const QString &audioFile,
                           const StopCheck &stopRequested = {}, double videoSeconds = -1,
                           double audioSeconds = -1);

// Checks with ffprobe that the output carries the expected source tag and holds both inputs
// at their full length. No problem means the sources may go.
Problem verifyConversion(const QString &ffprobe, const QString &outputFile,
                         const QString &expectedTag, const QString &videoFile,
                         const QString &audioFile, const StopCheck &stopRequested = {});

#endif // MEDIAVERIFICATION_H
