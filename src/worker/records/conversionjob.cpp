// SPDX-License-Identifier: MIT
#include "records/conversionjob.h"

QString cutBeforeLastSlash(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.left(slash);
}

ConversionJob jobForVideoFile(const QString &videoFile, const QString &videoFolder)
{
    ConversionJob job;
    job.videoFile = videoFile;
    job.videoFolder = videoFolder;
    job.audioFile = videoFolder + QStringLiteral("/audio.m4s");
    job.itemFolder = cutBeforeLastSlash(videoFolder);
    job.entryJsonFile = job.itemFolder + QStringLiteral("/entry.json");
    job.outputFolder = cutBeforeLastSlash(job.itemFolder);
    return job;
}

QString ffmpegCommandText(const ConversionJob &job)
{
    return QStringLiteral("ffmpeg/bin/ffmpeg.exe -i ") + job.videoFile + QStringLiteral(" -i ")
        + job.audioFile + QStringLiteral(" ") + job.outputFile + QStringLiteral(" \n");
}

QStringList ffmpegArguments(const ConversionJob &job, const QString &outputPath,
                            const QStringList &extraOutputArguments)
{
    QStringList arguments { QStringLiteral("-i"), job.videoFile, QStringLiteral("-i"),
                            job.audioFile };
    arguments += extraOutputArguments;
    arguments += outputPath;
    return arguments;
}
