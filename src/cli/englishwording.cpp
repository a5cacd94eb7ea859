// SPDX-License-Identifier: MIT
#include "englishwording.h"

namespace {

QString streamName(Problem::Stream stream)
{
    return stream == Problem::Video ? QStringLiteral("video") : QStringLiteral("audio");
}

QString seconds(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

QString englishProblem(const Problem &problem)
{
    switch (problem.kind) {
    case Problem::None:
        return QString();
    case Problem::FfmpegNotFound:
        return QStringLiteral("ffmpeg was not found");
    case Problem::FfmpegFailedToStart:
        return QStringLiteral("ffmpeg could not be started: %1").arg(problem.detail);
    case Problem::FfmpegCrashed:
        return QStringLiteral("ffmpeg crashed");
    case Problem::FfmpegExited:
        return problem.detail.isEmpty()
            ? QStringLiteral("ffmpeg exited with code %1").arg(problem.exitCode)
            : QStringLiteral("ffmpeg exited with code %1: %2")
                  .arg(problem.exitCode)
                  .arg(problem.detail);
    case Problem::Stopped:
        return QStringLiteral("stopped");
    case Problem::NoOutput:
        return QStringLiteral("ffmpeg wrote no output");
    case Problem::OutputDamaged:
        return problem.lowDiskSpace
            ? QStringLiteral(
                "the output is damaged, most likely because the disk is full; it was removed")
            : QStringLiteral(
                "the output is damaged (no readable video and audio stream); it was removed");
    case Problem::RenameFailed:
        return QStringLiteral("the output could not be given its name %1").arg(problem.path);
    case Problem::FfprobeNotFound:
        return QStringLiteral("ffprobe was not found, so the output could not be checked");
    case Problem::ProbeFailed:
        return QStringLiteral("ffprobe could not read %1").arg(problem.path);
    case Problem::StreamMissing:
        return QStringLiteral("the output has no %1 stream").arg(streamName(problem.stream));
    case Problem::SourceDurationUnknown:
        return QStringLiteral("the length of the source %1 is unknown")
            .arg(streamName(problem.stream));
    case Problem::OutputDurationUnknown:
        return QStringLiteral("the length of the output %1 is unknown")
            .arg(streamName(problem.stream));
    case Problem::DurationShort:
        return QStringLiteral("the output %1 lasts %2 s, its source %3 s (an unfinished download?)")
            .arg(streamName(problem.stream), seconds(problem.outputSeconds),
                 seconds(problem.sourceSeconds));
    case Problem::FallbackName:
        return QStringLiteral(
            "entry.json could not be read, so the output has the shared name destname.mp4");
    case Problem::OutputOfAnotherItem:
        return QStringLiteral(
            "the output was made from another video of this item or by another item of this run");
    case Problem::OutputUntagged:
        return QStringLiteral("the existing output was not made by Vantoro from this item, so "
                              "whose it is cannot be told");
    case Problem::RemovalFailed:
        return QStringLiteral("%1 could not be removed").arg(problem.path);
    case Problem::LinkOnTheWay:
        return QStringLiteral("a link stands on the way (%1), so nothing was removed")
            .arg(problem.path);
    case Problem::EntryNotRegular:
        return QStringLiteral("entry.json is not a plain file, so the fallback name was used");
    case Problem::EntryTooLarge:
        return QStringLiteral("entry.json is larger than 1 MiB, so the fallback name was used");
    case Problem::StreamNotRegular:
        return QStringLiteral("%1 is not a plain file").arg(problem.path);
    case Problem::RootUnreadable:
        return QStringLiteral("the folder does not exist or cannot be opened: %1")
            .arg(problem.path);
    case Problem::FolderUnreadable:
        return QStringLiteral("a folder cannot be read, its items were left out: %1")
            .arg(problem.path);
    case Problem::PathTooLong:
        return QStringLiteral("a path is too long to open, its items were left out: %1")
            .arg(problem.path);
    }
    return QString();
}

QString englishOutcome(const ItemResult &result)
{
    QString words;
    switch (result.outcome) {
    case ItemResult::Converted:
        words = QStringLiteral("converted");
        break;
    case ItemResult::Skipped:
        words = QStringLiteral("skipped, the output is already there");
        break;
    case ItemResult::Failed:
        words = QStringLiteral("failed: ") + englishProblem(result.failure);
        break;
    case ItemResult::Incomplete:
        words =
            QStringLiteral("incomplete, kept with its sources: ") + englishProblem(result.failure);
        break;
    case ItemResult::WouldConvert:
        words = QStringLiteral("would be converted");
        break;
    case ItemResult::WouldSkip:
        words = QStringLiteral("would be skipped, the output is already there");
        break;
    case ItemResult::Passed:
        words = QStringLiteral("passed over, another conversion was still running");
        break;
    }
    if (!result.nameNote.isNone())
        words += QStringLiteral(" (") + englishProblem(result.nameNote) + QLatin1Char(')');
    if (result.sourcesRemoved)
        words += QStringLiteral(", sources removed");
    else if (!result.keptSources.isNone())
        words += QStringLiteral(", sources kept: ") + englishProblem(result.keptSources);
    if (!result.removal.isNone())
        words += QStringLiteral(", removal failed: ") + englishProblem(result.removal);
    return words;
}
