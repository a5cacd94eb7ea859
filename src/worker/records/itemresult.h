// SPDX-License-Identifier: MIT
#ifndef ITEMRESULT_H
#define ITEMRESULT_H

#include <QMetaType>
#include <QObject>
#include <QString>

#include "records/problem.h"

// What became of an item's sources: only what happened, never what might.
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
    // How the output was proven whole before any source went.
    enum Proof {
        NotProven,
        RecordedChecksums, // its packets are those its tag recorded when it was made
        CopyChecksums, // its packets are those ffmpeg copied from the sources in this run
        SourcePackets, // copied by an earlier version: its packets are the sources' own
        Decoded, // made by an earlier version: every frame of it decodes
    };
    Q_ENUM(Proof)

    SourceFate() = default;
    SourceFate(Kind kind, const Problem &reason = Problem()) : kind(kind), reason(reason) { }

    Kind kind = NotAsked;
    Problem reason;
    Proof proof = NotProven;
    // The output's tag holds a record of checksums that is damaged: it was proven as an output
    // that records none.
    bool recordDamaged = false;
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
        Locked, // another run is converting this item right now: left alone, try again
        Gone, // no longer there when its turn came: moved away, or nothing tells
        ConvertedElsewhere, // gone, and another run's output of it is outputFile
    };
    Q_ENUM(Outcome)

    QString videoFolder; // where the item's streams are (or were)
    QString outputName;
    QString outputFile;
    Outcome outcome = Failed;
    Problem failure; // why it failed, or what is missing when incomplete
    Problem nameNote; // why entry.json could not give the name
    // An output of this same video made before its download finished, kept beside this one.
    QString earlierOutput;
    // Its own output, outputFile, has another name than entry.json gives now (its title changed
    // since it was converted): that one counts, and no second is made.
    bool underEarlierName = false;
    // What an earlier removal that was cut short left of it: removing its sources now finishes it.
    bool earlierRemoval = false;
    SourceFate sources;
};

#endif // ITEMRESULT_H
