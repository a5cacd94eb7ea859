// SPDX-License-Identifier: MIT
#include "mediaverification.h"

namespace {

Problem compareStream(Problem::Stream stream, bool present, double output, double source)
{
    Problem problem;
    problem.stream = stream;
    if (!present)
        problem.kind = Problem::StreamMissing;
    else if (source < 0)
        problem.kind = Problem::SourceDurationUnknown;
    else if (output < 0)
        problem.kind = Problem::OutputDurationUnknown;
    else if (qAbs(output - source) > durationToleranceSeconds)
        problem.kind = Problem::DurationShort;
    problem.outputSeconds = output;
    problem.sourceSeconds = source;
    return problem;
}

} // namespace

Problem durationMismatch(const MediaInfo &output, const MediaInfo &videoSource,
                         const MediaInfo &audioSource)
{
    const Problem video =
        compareStream(Problem::Video, output.hasVideo, output.video, videoSource.video);
    if (!video.isNone())
        return video;
    return compareStream(Problem::Audio, output.hasAudio, output.audio, audioSource.audio);
}

Problem verifyAgainstSources(const MediaInfo &output, const QString &videoFile,
                             const QString &audioFile, MediaReads &media)
{
    MediaInfo video;
    MediaInfo audio;
    const Problem videoRead = media.read(videoFile, &video);
    const Problem audioRead = media.read(audioFile, &audio);
    if (videoRead.kind == Problem::Stopped || audioRead.kind == Problem::Stopped)
        return Problem(Problem::Stopped);
    return durationMismatch(output, video, audio);
}
