// SPDX-License-Identifier: MIT
#ifndef RUNREPORT_H
#define RUNREPORT_H

#include <QString>
#include <QVector>

#include <array>

#include "records/itemresult.h"

// What runs have to tell, as data: how many items ended which way, and each thing the user
// should hear of with the item it belongs to (no item for problems of the walk itself). A plain
// success is only counted. The window and the console read the same counts and the same
// meaning of "needs attention".
class RunReport
{
public:
    enum Role {
        ItemOutcome, // how the item ended is itself worth telling: failed, incomplete, left alone
        SourcesKept,
        RemovalFailed,
        NameFallback,
        WalkProblem,
        // Worth telling, but nothing went wrong.
        EarlierOutputKept, // converted again beside an output made before the download finished
        UnderEarlierName, // its output has the name of its earlier title: no second one was made
        EarlierRemovalFinished, // what a removal cut short had left of it is gone now
        WalkNote, // a folder met again through a loop of the file system, entered once
        LookAlikeNote, // a file shaped like a run's working file, which no run left: it stays
    };
    struct Entry
    {
        QString outputName; // empty for a problem of the walk
        Role role = ItemOutcome;
        ItemResult::Outcome outcome = ItemResult::Failed; // of the item the entry belongs to
        Problem problem;
        QString earlierOutput; // the output kept beside the new one, or the one under its earlier
                               // name (EarlierOutputKept, UnderEarlierName)
    };

    // The entries one item adds to the report.
    static QVector<Entry> entriesFor(const ItemResult &item);
    // What the user must look at: every entry but those only worth telling.
    static bool needsAttention(Role role)
    {
        return role != EarlierOutputKept && role != UnderEarlierName
            && role != EarlierRemovalFinished && role != WalkNote && role != LookAlikeNote;
    }
    static bool needsAttention(const ItemResult &item);

    // Counts the item and files each thing to tell of it.
    void addItem(const ItemResult &item);
    // A problem of the walk: the chosen folder or one below it could not be read; or a note of
    // it (a loop, a look-alike of a working file).
    void addWalkProblem(const Problem &problem);
    // Adds what another run came to, as the console does for several folders.
    void add(const RunReport &other);

    // True when anything of the runs needs the user's attention.
    bool needsAttention() const;
    // True when there is anything to tell beyond the counts.
    bool hasEntries() const { return !entries.isEmpty(); }
    int items() const { return itemCount; }
    int count(ItemResult::Outcome outcome) const { return outcomes.at(outcome); }
    int count(Role role) const;

    QVector<Entry> entries;

private:
    int itemCount = 0;
    std::array<int, ItemResult::ConvertedElsewhere + 1> outcomes {};
};

#endif // RUNREPORT_H
