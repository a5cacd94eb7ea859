// SPDX-License-Identifier: MIT
#include "media/mediaverification.h"

#include <QFileInfo>

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

Verification verifyOutput(const QString &output, const QString &videoFile, const QString &audioFile,
                          MediaReads &media, bool tagVouches)
{
    Verification verification;
    MediaInfo written;
    verification.problem = media.read(output, &written, &verification.file);
    if (verification.problem.isNone() && !verification.file.isValid())
        verification.problem = Problem(Problem::MediaUnreadable, output);
    if (!verification.problem.isNone())
        return verification;
    MediaInfo video;
    MediaInfo audio;
    const Problem videoRead = media.read(videoFile, &video);
    const Problem audioRead = media.read(audioFile, &audio);
    if (tagVouches && !QFileInfo::exists(videoFile))
        video = written;
    if (tagVouches && !QFileInfo::exists(audioFile))
        audio = written;
    if (videoRead.kind == Problem::Stopped || audioRead.kind == Problem::Stopped)
        verification.problem = Problem(Problem::Stopped);
    else
        verification.problem = durationMismatch(written, video, audio);
    return verification;
}
