// SPDX-License-Identifier: MIT
#include "itemconversion.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "ffmpegprocess.h"
#include "mediaverification.h"
#include "outputfile.h"
#include "sourcetag.h"

namespace {

// Less free space than this beside a damaged output makes a full disk its likely cause.
bool diskNearlyFull(const ConversionJob &job)
{
    const qint64 sources = QFileInfo(job.videoFile).size() + QFileInfo(job.audioFile).size();
    const qint64 available = QStorageInfo(job.outputFolder).bytesAvailable();
    return available >= 0 && available < qMax<qint64>(sources, 64 * 1024 * 1024);
}

// A stream ffmpeg may read and the run may later remove: a plain file, not a link or a pipe.
Problem streamProblem(const ConversionJob &job)
{
    for (const QString &stream : { job.videoFile, job.audioFile }) {
        const QFileInfo info(stream);
        if (info.isSymLink() || (info.exists() && !info.isFile()))
            return Problem(Problem::StreamNotRegular, stream);
    }
    return Problem();
}

// ffmpeg may exit with 0 after failing to finish the file (a full disk does that): what it
// wrote must show both streams before it takes a final name.
Problem checkWritten(const ConversionJob &job, const QString &temporary, MediaInfo *written,
                     MediaReads &media)
{
    const Problem read = media.read(temporary, written);
    if (read.kind == Problem::Stopped)
        return read;
    if (!read.isNone() || !written->hasVideo || !written->hasAudio)
        return Problem(diskNearlyFull(job) ? Problem::OutputDamagedDiskFull
                                           : Problem::OutputDamaged,
                       job.outputFile);
    return Problem();
}

} // namespace

ConversionResult convertItem(const ConversionJob &job, const ConversionSettings &settings,
                             MediaReads &media)
{
    ConversionResult result;
    result.failure = streamProblem(job);
    if (!result.failure.isNone())
        return result;
    const QString temporary = temporaryOutputFile(job.outputFile);
    // Only a leftover of this very item can stand under its temporary name.
    QFile::remove(temporary);
    if (occupantAt(temporary) != PathOccupant::Nothing) {
        result.failure = Problem(Problem::TemporaryNameBlocked, temporary);
        return result;
    }

    FfmpegProcess ffmpeg;
    if (settings.watchProcess)
        settings.watchProcess(ffmpeg.process());
    const QStringList tag { QStringLiteral("-metadata"),
                            sourceTagKey() + QLatin1Char('=') + job.sourceTag };
    result.failure = ffmpeg.run(
        settings.ffmpeg, ffmpegArguments(job, temporary, settings.extraOutputArguments + tag),
        settings.stopRequested, settings.onProgress);
    result.ffmpegKilled = ffmpeg.wasKilled();
    if (result.failure.isNone() && occupantAt(temporary) != PathOccupant::RegularFile)
        result.failure = Problem(Problem::NoOutput);
    MediaInfo written;
    if (result.failure.isNone())
        result.failure = checkWritten(job, temporary, &written, media);
    if (result.failure.isNone())
        result.verification = verifyAgainstSources(written, job.videoFile, job.audioFile, media);
    if (result.verification.kind == Problem::Stopped)
        result.failure = result.verification;
    if (result.failure.isNone() && !commitOutput(temporary, job.outputFile))
        result.failure = Problem(Problem::RenameRefused, job.outputFile);
    if (!result.failure.isNone()) {
        QFile::remove(temporary);
        return result;
    }
    if (result.verification.kind == Problem::DurationShort) {
        // All there is of that video: kept under its name, and its sources with it.
        result.outcome = ItemResult::Incomplete;
        result.failure = result.verification;
        return result;
    }
    result.outcome = ItemResult::Converted;
    return result;
}
