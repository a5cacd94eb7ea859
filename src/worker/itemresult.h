// SPDX-License-Identifier: MIT
#ifndef ITEMRESULT_H
#define ITEMRESULT_H

#include <QString>

// Something that went wrong with an item or a run, kept as data. The window and the console
// each put it into words of their own.
struct Problem
{
    enum Kind {
        None,
        // Running ffmpeg.
        FfmpegNotFound,
        FfmpegFailedToStart, // detail: the system's words
        FfmpegCrashed,
        FfmpegExited, // exitCode, detail: ffmpeg's last error line
        Stopped,
        NoOutput,
        OutputDamaged, // lowDiskSpace when the disk is nearly full
        RenameFailed, // path: the name it was to get
        // Checking an output with ffprobe.
        FfprobeNotFound,
        ProbeFailed, // path: the file ffprobe could not read
        StreamMissing, // stream: missing from the output
        SourceDurationUnknown,
        OutputDurationUnknown,
        DurationShort, // stream, outputSeconds, sourceSeconds
        // Why sources stay although their removal was asked for.
        FallbackName, // the shared name of items without a usable entry.json
        OutputOfAnotherItem, // made from another video of the same item, or by this run
        OutputUntagged, // not written by Vantoro, or by a version that did not tag
        // Removing sources.
        RemovalFailed, // path: what could not be removed
        LinkOnTheWay, // path: a link or junction met between the chosen folder and it
        // Inputs.
        EntryNotRegular, // path: entry.json is a folder, a pipe, a device…
        EntryTooLarge, // path
        StreamNotRegular, // path: a stream that is not a plain file
        // The walk.
        RootUnreadable, // path
        FolderUnreadable, // path
        PathTooLong, // path
    };
    enum Stream { Video, Audio };

    Problem() = default;
    Problem(Kind kind, const QString &path = QString()) : kind(kind), path(path) { }

    bool isNone() const { return kind == None; }

    Kind kind = None;
    QString path;
    QString detail;
    int exitCode = 0;
    Stream stream = Video;
    double outputSeconds = -1;
    double sourceSeconds = -1;
    bool lowDiskSpace = false;
};

// How one item of a run ended, for callers that report item by item.
struct ItemResult
{
    enum Outcome {
        Converted, // ffmpeg produced the output and it was checked
        Skipped, // the output was there already
        Failed, // see failure
        Incomplete, // an output was kept, but shorter than its sources: see failure
        WouldConvert, // dry run: the output is missing
        WouldSkip, // dry run: the output is there
        Passed, // another conversion was still running, the item was left alone
    };

    // True when the user should look at this item: it failed, is incomplete, or its sources
    // could not be removed as asked.
    bool needsAttention() const
    {
        return outcome == Failed || outcome == Incomplete || outcome == Passed
            || !keptSources.isNone() || !removal.isNone();
    }

    QString outputName;
    QString outputFile;
    Outcome outcome = Failed;
    Problem failure; // why it failed, or what is missing when incomplete
    Problem nameNote; // why entry.json could not give the name
    bool sourcesRemoved = false;
    Problem keptSources; // why the sources stayed although their removal was asked for
    Problem removal; // a removal that was tried and failed
};

#endif // ITEMRESULT_H
