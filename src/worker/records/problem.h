// SPDX-License-Identifier: MIT
#ifndef PROBLEM_H
#define PROBLEM_H

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
        // Giving the output its name.
        NoFreeName, // path: the wanted name; every numbered choice is taken
        TemporaryNameBlocked, // path: the temporary name, held by something no run left
        RenameRefused, // path: the final name, which refused the finished file
        OutputHeld, // path: the final name; another program held the finished file meanwhile
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
        OutputChanged, // path: no longer the very file that was checked (replaced, a link…)
        // Read to its last byte before any source goes: stream, outputSeconds (where its data
        // ends), sourceSeconds (the full length); path: the output.
        OutputCutShort,
        PacketsDiffer, // stream; path: the output, copied, does not hold the source's packets
        // stream; path: the output; outputSeconds: where its damaged data begins, sourceSeconds:
        // its full length. Its packets are not those recorded when it was made, or do not decode.
        OutputDataDamaged,
        // stream; path: the output, which records no checksums, and whose stream this build
        // cannot decode (detail: the codec): it cannot be proven, so nothing is removed
        ProofUnavailable,
        OutputUnreadable, // path: a file at the output's name whose header cannot be read
        // path: an output whose tag holds a record of checksums that cannot be read, or whose
        // runs disagree with its counts
        ChecksumRecordDamaged,
        ItemLockRefused, // path: the item's lock, which cannot be made there; detail: why
        // path: the lock of a run that is gone, in a folder that cannot be written, so it
        // cannot be removed
        ItemLockStuck,
        // Removing sources.
        FlushFailed, // path: the output or its folder; detail: the system's words
        RemovalFailed, // path: what could not be removed (nothing of the item was, if a stream)
        SourceHeld, // path: a stream another program held open all the while; nothing removed
        // path: a folder of the item that stood elsewhere, or was another, by the time its turn
        // came; what was left of the item stayed.
        FolderReplacedByLink, // a link stands at its name now
        FolderMoved, // moved away, or another folder stands at its name
        // path: the folder of what an earlier removal left of an item, which holds something
        // else by now
        RemainsChanged,
        // Inputs.
        EntryNotRegular, // path: entry.json is a folder, a pipe, a device…
        EntryTooLarge, // path
        StreamNotRegular, // path: a stream that is not a plain file
        // The walk.
        RootUnreadable, // path
        FolderUnreadable, // path
        PathTooLong, // path
        FolderLoop, // path: leads to a folder the walk has entered already; not entered again
        // path: a file named like a lock or a temporary output of a run, which no run provably
        // left (no lock of a run beside the temporary, no lock in the lock): left as it is
        NotARunsWorkingFile,
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
    // The output's disk was nearly full when it happened, or ffmpeg said it was: the likely cause.
    bool diskNearlyFull = false;
};

#endif // PROBLEM_H
