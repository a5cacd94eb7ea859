// SPDX-License-Identifier: MIT
#include "item/itemconversion.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "ffmpeg/ffmpegprocess.h"
#include "item/outputsums.h"
#include "output/outputfile.h"
#include "output/sourcetag.h"

namespace {

// Less free space than this where the output goes makes a full disk the likely cause of a
// failed conversion.
bool diskNearlyFull(const ConversionJob &job)
{
    const qint64 sources = QFileInfo(job.videoFile).size() + QFileInfo(job.audioFile).size();
    const qint64 available = QStorageInfo(job.outputFolder).bytesAvailable();
    return available >= 0 && available < qMax<qint64>(sources, 64 * 1024 * 1024);
}

// Failures in which ffmpeg wrote, or tried to write, the output: a full disk may be behind them.
bool mayComeFromAFullDisk(Problem::Kind kind)
{
    return kind == Problem::FfmpegExited || kind == Problem::FfmpegCrashed
        || kind == Problem::NoOutput || kind == Problem::OutputDamaged;
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

// Records the checksums of what ffmpeg wrote in its tag; the file is then, by its time of change,
// another than the one verified, and is taken anew for the one the run goes on with.
Problem recordOutputSums(const QString &temporary, const StopCheck &stopRequested,
                         ConversionResult *result)
{
    bool recorded = false;
    const Problem read = recordSums(temporary, &result->written, stopRequested, &recorded);
    if (read.kind == Problem::Stopped)
        return read;
    result->sumsRead = read.isNone();
    result->verification.file = identityOf(temporary);
    return Problem();
}

} // namespace

ConversionResult convertItem(const ConversionJob &job, const ConversionSettings &settings,
                             FfmpegProcess &ffmpeg, MediaReads &media)
{
    ConversionResult result;
    result.failure = streamProblem(job);
    if (!result.failure.isNone())
        return result;
    const QString temporary = temporaryOutputFile(job.outputFile);
    // What a run that is gone left there went when this run began; anything there now is no
    // run's (a file of the user's that merely has the name), and stays.
    if (occupantAt(temporary) != PathOccupant::Nothing) {
        result.failure = Problem(Problem::TemporaryNameBlocked, temporary);
        return result;
    }

    // Room for the checksums of its packets, filled in once ffmpeg is done.
    const QString tag =
        withReservedSums(settings.copyStreams ? copiedTag(job.sourceTag) : job.sourceTag);
    QStringList arguments = ffmpegArguments(
        job, temporary,
        settings.extraOutputArguments
            + QStringList { QStringLiteral("-metadata"), sourceTagKey() + QLatin1Char('=') + tag });
    const bool checksums = settings.copyStreams && settings.checksumCopies;
    if (checksums) {
        arguments += streamHashArguments();
        ffmpeg.keepStandardOutput();
    }
    result.failure =
        ffmpeg.run(settings.ffmpeg, arguments, settings.stopRequested, settings.onProgress);
    if (checksums)
        result.copied = parseStreamHashes(ffmpeg.standardOutput());
    if (result.failure.isNone() && occupantAt(temporary) != PathOccupant::RegularFile)
        result.failure = Problem(Problem::NoOutput);
    if (result.failure.isNone()) {
        // ffmpeg may exit with 0 after failing to finish the file (a full disk does that): what
        // it wrote must show both streams before it takes a final name.
        result.verification = verifyOutput(temporary, job.videoFile, job.audioFile, media);
        if (result.verification.problem.kind == Problem::Stopped)
            result.failure = result.verification.problem;
        else if (result.verification.isDamaged())
            result.failure = Problem(Problem::OutputDamaged, job.outputFile);
    }
    if (result.failure.isNone())
        result.failure = recordOutputSums(temporary, settings.stopRequested, &result);
    if (result.failure.isNone())
        result.failure = commitOutput(temporary, job.outputFile);
    if (!result.failure.isNone()) {
        if (mayComeFromAFullDisk(result.failure.kind) && diskNearlyFull(job))
            result.failure.diskNearlyFull = true;
        QFile::remove(temporary);
        return result;
    }
    if (result.verification.problem.kind == Problem::DurationShort) {
        // All there is of that video: kept under its name, and its sources with it.
        result.outcome = ItemResult::Incomplete;
        result.failure = result.verification.problem;
        return result;
    }
    result.outcome = ItemResult::Converted;
    return result;
}

ConversionResult outputAlreadyThere(const ItemPlan &plan, MediaReads &media)
{
    ConversionResult result;
    result.outcome = ItemResult::Skipped;
    const ConversionJob &job = plan.job;
    if (plan.placement.verdict == OutputPlacement::OwnOutput)
        result.verification = verifyOutput(job.outputFile, job.videoFile, job.audioFile, media,
                                           plan.halfRemoved || plan.remains.isValid());
    return result;
}

ItemResult finishedItem(const ItemPlan &plan, const ConversionResult &conversion,
                        const SourceFate &sources)
{
    ItemResult result = plannedItem(plan, conversion.outcome, conversion.failure);
    // Said once, when the finished download is converted beside what was made of it before.
    if (conversion.outcome == ItemResult::Converted || conversion.outcome == ItemResult::Incomplete)
        result.earlierOutput = plan.placement.earlierOutput;
    result.sources = sources;
    return result;
}
