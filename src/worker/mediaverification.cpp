// SPDX-License-Identifier: MIT
#include "mediaverification.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace {

double parseDuration(const QString &field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok && value >= 0 ? value : -1;
}

QString seconds(double value)
{
    return QString::number(value, 'f', 1);
}

QString compareStream(const char *kind, bool present, double output, double input,
                      double tolerance)
{
    const QString name = QString::fromUtf8(kind);
    if (!present)
        return QStringLiteral("输出缺少%1流").arg(name);
    if (input < 0)
        return QStringLiteral("无法读取源%1的时长").arg(name);
    if (output < 0)
        return QStringLiteral("无法读取输出%1的时长").arg(name);
    if (qAbs(output - input) > tolerance)
        return QStringLiteral("输出%1时长 %2 秒，源文件为 %3 秒，源文件可能未下载完整")
            .arg(name, seconds(output), seconds(input));
    return QString();
}

} // namespace

MediaDurations parseProbeOutput(const QString &compactOutput)
{
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

QString durationMismatch(const MediaDurations &output, const MediaDurations &videoInput,
                         const MediaDurations &audioInput, double toleranceSeconds)
{
    const QString video = compareStream("视频", output.hasVideo, output.video, videoInput.video,
                                        toleranceSeconds);
    if (!video.isEmpty())
        return video;
    return compareStream("音频", output.hasAudio, output.audio, audioInput.audio,
                         toleranceSeconds);
}

bool probeMedia(const QString &ffprobe, const QString &file, MediaDurations *result,
                QString *reason)
{
    QProcess probe;
    probe.setStandardInputFile(QProcess::nullDevice());
    probe.start(ffprobe,
                { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                  QStringLiteral("stream=codec_type,duration:format=duration"),
                  QStringLiteral("-of"), QStringLiteral("compact"), file });
    const bool finished = probe.waitForFinished(30000);
    if (!finished || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(5000);
        }
        *reason = QStringLiteral("ffprobe 无法读取 %1").arg(QFileInfo(file).fileName());
        return false;
    }
    *result = parseProbeOutput(QString::fromUtf8(probe.readAllStandardOutput()));
    return true;
}

QString verifyConversion(const QString &ffprobe, const QString &outputFile,
                         const QString &videoFile, const QString &audioFile)
{
    if (ffprobe.isEmpty())
        return QStringLiteral("未找到 ffprobe，无法校验输出文件");
    MediaDurations output;
    MediaDurations video;
    MediaDurations audio;
    QString reason;
    if (!probeMedia(ffprobe, outputFile, &output, &reason)
        || !probeMedia(ffprobe, videoFile, &video, &reason)
        || !probeMedia(ffprobe, audioFile, &audio, &reason))
        return reason;
    return durationMismatch(output, video, audio);
}
