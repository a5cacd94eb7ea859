// SPDX-License-Identifier: MIT
#ifndef ITEMRESULT_H
#define ITEMRESULT_H

#include <QMetaType>
#include <QObject>
#include <QString>

// Something that went wrong with an item or a run, kept as data. The report words it, in
// Chinese for the window and in English for the console, from one table.
struct Problem
{
    Q_GADGET

public:
    enum Kind {
        None,
        // Running ffmpeg.
        FfmpegNotFound,
        FfmpegFailedToStart, // path: the program; detail: the system's words
        FfmpegCrashed,
        FfmpegExited, // exitCode; detail: ffmpeg's last error line, if it said one
        Stopped,
        NoOutput,
        OutputDamaged, // path: the output it was to become; the temporary file is gone
        OutputDamagedDiskFull, // the same, with the disk nearly full beside it
        // Giving the output its name.
        NoFreeName, // path: the wanted name; every numbered choice is taken
        TemporaryNameBlocked, // path: the temporary name, held by something not removable
        RenameRefused, // path: the final name, which refused the finished file
        // Reading a media file.
        MediaUnreadable, // path: not a plain file, or it cannot be opened or read
        NotMedia, // path: opened, but no MP4 the program can read
        StreamMissing, // stream: missing from the output
        SourceDurationUnknown, // stream
        OutputDurationUnknown, // stream
        DurationShort, // stream, outputSeconds, sourceSeconds
        // Why sources stay although their removal was asked for.
        FallbackName, // the shared name of items without a usable entry.json
        OutputOfAnotherVideo, // path: made from another video folder of the same item
        OutputUntagged, // path: not written by Vantoro, or by a version that did not tag
        LinkOnTheWay, // path: a link or junction met between the chosen folder and a source
        // Removing sources.
        FlushFailed, // path: the output or its folder; detail: the system's words
        RemovalFailed, // path: what could not be removed
        // Inputs.
        EntryNotRegular, // path: entry.json is a folder, a pipe, a device…
        EntryTooLarge, // path
        StreamNotRegular, // path: a stream that is not a plain file
        // The walk.
        RootUnreadable, // path
        FolderUnreadable, // path
        PathTooLong, // path
    };
    Q_ENUM(Kind)
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
};

// What became of an item's sources.
struct SourceFate
{
    Q_GADGET

public:
    enum Kind {
        NotAsked, // removal was not asked for, or the item has no output to vouch for it
        Removed,
        Kept, // removal was asked for, and reason says why they stayed
        RemovalFailed, // reason names what could not be removed
    };
    Q_ENUM(Kind)

    SourceFate() = default;
    SourceFate(Kind kind, const Problem &reason = Problem()) : kind(kind), reason(reason) { }

    Kind kind = NotAsked;
    Problem reason;
};

// How one item of a run ended, for callers that report item by item.
struct ItemResult
{
    Q_GADGET

public:
    enum Outcome {
        Converted, // ffmpeg produced the output and it was checked
        Skipped, // the output was there already
        Failed, // see failure
        Incomplete, // an output was kept, but shorter than its sources: see failure
        WouldConvert, // dry run: the output is missing
        WouldSkip, // dry run: the output is there
        Passed, // another conversion was still running, the item was left alone
        Locked, // another run is converting into its name right now: left alone, try again
    };
    Q_ENUM(Outcome)

    QString outputName;
    QString outputFile;
    Outcome outcome = Failed;
    Problem failure; // why it failed, or what is missing when incomplete
    Problem nameNote; // why entry.json could not give the name
    // An output of this same video made before its download finished, kept beside this one.
    QString earlierOutput;
    SourceFate sources;
};

#endif // ITEMRESULT_H
