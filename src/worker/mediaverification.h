// SPDX-License-Identifier: MIT
#ifndef MEDIAVERIFICATION_H
#define MEDIAVERIFICATION_H

#include <QString>

// What ffprobe says of one media file; a duration below zero is unknown.
struct MediaDurations
{
    bool hasVideo = false;
    bool hasAudio = false;
    double video = -1;
    double audio = -1;
};

// Reads ffprobe's "-of compact" listing of stream types and durations. A stream without a
// duration of its own (as in fragmented files) takes the container's.
MediaDurations parseProbeOutput(const QString &compactOutput);

// Why the output is not a complete conversion of the two inputs, or empty when it is: it holds
// a video and an audio stream, each within the tolerance of the input stream it came from.
QString durationMismatch(const MediaDurations &output, const MediaDurations &videoInput,
                         const MediaDurations &audioInput, double toleranceSeconds = 1.0);

// Runs ffprobe on a file; on failure returns false with a reason.
bool probeMedia(const QString &ffprobe, const QString &file, MediaDurations *result,
                QString *reason);

// Checks with ffprobe that the output holds both inputs at their full length.
// Returns empty when it does, else why not (also when the check itself cannot be made).
QString verifyConversion(const QString &ffprobe, const QString &outputFile,
                         const QString &videoFile, const QString &audioFile);

#endif // MEDIAVERIFICATION_H
