// SPDX-License-Identifier: MIT
#include "mediaverification.h"

#include <QProcess>
#include <QStringList>

#include "sourcetag.h"

namespace {

// ffprobe reads only headers and indexes; anything slower than this is stuck.
constexpr int probeTimeoutMs = 30000;

double parseDuration(const QString &field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok && value >= 0 ? value : -1;
}

Problem compareStream(Problem::Stream stream, bool present, double output, double source,
                      double tolerance)
{
    Problem problem;
    problem.stream = stream;
    if (!present)
        problem.kind = Problem::StreamMissing;
    else if (source < 0)
        problem.kind = Problem::SourceDurationUnknown;
    else if (output < 0)
        problem.kind = Problem::OutputDurationUnknown;
    else if (qAbs(output - source) > tolerance)
        problem.kind = Problem::DurationShort;
    problem.outputSeconds = output;
    problem.sourceSeconds = source;
    return problem;
}

} // namespace

MediaDurations parseProbeOutput(const QString &compactOutput)
{
    static const QLatin1String tagField("tag:comment=");
    MediaDurations result;
    double container = -1;
    bool videoHasOwn = false;
    bool audioHasOwn = false;
    const QStringList lines = compactOutput.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList fields = line.trimmed().split(QLatin1Char('|'));
        QString type;
        double duration = -1;
        for (const QString &field : fields) {
            if (field.startsWith(QLatin1String("codec_type=")))
                type = field.mid(11);
            else if (field.startsWith(QLatin1String("duration=")))
                duration = parseDuration(field.mid(9));
            else if (field.startsWith(tagField) && fields.value(0) == QLatin1String("format"))
                result.tag = field.mid(tagField.size());
        }
        if (fields.value(0) == QLatin1String("format")) {
            container = duration;
        } else if (type == QLatin1String("video") && !result.hasVideo) {
            result.hasVideo = true;
            result.video = duration;
            videoHasOwn = duration >= 0;
        } else if (type == QLatin1String("audio") && !result.hasAudio) {
            result.hasAudio = true;
            result.audio = duration;
            audioHasOwn = duration >= 0;
        }
    }
    if (result.hasVideo && !videoHasOwn)
        result.video = container;
    if (result.hasAudio && !audioHasOwn)
        result.audio = container;
    return result;
}

Problem durationMismatch(const MediaDurations &output, const MediaDurations &videoInput,
                         const MediaDurations &audioInput, double toleranceSeconds)
{
    const Problem video = compareStream(Problem::Video, output.hasVideo, output.video,
                                        videoInput.video, toleranceSeconds);
    if (!video.isNone())
        return video;
    return compareStream(Problem::Audio, output.hasAudio, output.audio, audioInput.audio,
                         toleranceSeconds);
}

Problem probeMedia(const QString &ffprobe, const QString &file, MediaDurations *result,
                   const StopCheck &stopRequested)
{
    if (ffprobe.isEmpty())
        return Problem(Problem::FfprobeNotFound);
    QProcess probe;
    probe.setStandardInputFile(QProcess::nullDevice());
    probe.start(ffprobe,
                { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                  QStringLiteral("stream=codec_type,duration:format=duration:format_tags=")
                      + sourceTagKey(),
                  QStringLiteral("-of"), QStringLiteral("compact"), file });
    // Output is read as it comes, so a chatty ffprobe never fills its pipe and stalls.
    QByteArray output;
    const bool ended = waitForProcessEnd(probe, probeTimeoutMs, stopRequested,
                                         [&] { output += probe.readAllStandardOutput(); });
    if (!ended) {
        killProcess(probe);
        return Problem(stopRequested && stopRequested() ? Problem::Stopped : Problem::ProbeFailed,
                       file);
    }
    output += probe.readAllStandardOutput();
    if (probe.error() == QProcess::FailedToStart || probe.exitStatus() != QProcess::NormalExit
        || probe.exitCode() != 0)
        return Problem(Problem::ProbeFailed, file);
    *result = parseProbeOutput(QString::fromUtf8(output));
    return Problem();
}

Problem compareWithSources(const QString &ffprobe, const MediaDurations &output,
                           const QString &videoFile, const QString &audioFile,
                           const StopCheck &stopRequested, double videoSeconds, double audioSeconds)
{
    MediaDurations video;
    video.video = videoSeconds;
    MediaDurations audio;
    audio.audio = audioSeconds;
    Problem problem;
    if (videoSeconds < 0)
        problem = probeMedia(ffprobe, videoFile, &video, stopRequested);
    if (problem.isNone() && audioSeconds < 0)
        problem = probeMedia(ffprobe, audioFile, &audio, stopRequested);
    if (!problem.isNone())
        return problem;
    return durationMismatch(output, video, audio);
}

Problem verifyConversion(const QString &ffprobe, const QString &outputFile,
                         const QString &expectedTag, const QString &videoFile,
                         const QString &audioFile, const StopCheck &stopRequested)
{
    MediaDurations output;
    const Problem problem = probeMedia(ffprobe, outputFile, &output, stopRequested);
    if (!problem.isNone())
        return problem;
    if (expectedTag.isEmpty() || output.tag != expectedTag)
        return Problem(output.tag.isEmpty() ? Problem::OutputUntagged
                                            : Problem::OutputOfAnotherItem,
                       outputFile);
    return compareWithSources(ffprobe, output, videoFile, audioFile, stopRequested);
}
