// SPDX-License-Identifier: MIT
#ifndef ITEMPLAN_H
#define ITEMPLAN_H

#include <memory>

#include "item/goneitem.h"
#include "item/remains.h"
#include "media/mediareader.h"
#include "output/outputlock.h"
#include "output/outputplacement.h"
#include "records/conversionjob.h"
#include "records/itemresult.h"

// Everything decided about an item before anything is converted: its name, where its output
// goes, and the locks that keep other runs off it while it is worked on. Made once, then only
// read.
struct ItemPlan
{
    ConversionJob job; // complete: the output's name and file as placed, the command, the tag
    Problem nameNote; // why entry.json could not give the name
    bool fallbackName = false; // the name every item without a usable entry.json shares
    // The item's lock is held: taken only when something is to be written or removed.
    bool locked = false;
    bool lockedElsewhere = false; // another run works on this item: nothing more was decided
    // Why the item's lock cannot be made (its output folder cannot be written): nothing more
    // was decided.
    Problem lockRefused;
    // An earlier run removed one of its streams but not the other (it was killed between them,
    // or an older Vantoro failed on the second): its own output, placement.outputFile, still
    // vouches for it, and only what is left of it remains to be removed.
    bool halfRemoved = false;
    // Its own output has the name of its earlier title: placement.outputFile.
    bool underEarlierName = false;
    // What an earlier removal cut short left of an item that has no video.m4s any more, beside
    // its own output, placement.outputFile: only that remains to be removed.
    Remains remains;
    OutputPlacement placement;
    std::unique_ptr<OutputLock> itemLock;
    std::unique_ptr<OutputLock> nameLock; // of the free name it converts into
};

// How an item is planned.
struct PlanMode
{
    bool locks = false; // the run may write: false for a dry run, which takes no lock
    bool removal = false; // the item's sources are to go once its output is proven
};

// Plans the item of a found video.m4s: names it from its entry.json and places its output. Only
// when the run writes and the item has something to write or remove (no output of its own yet,
// or its sources are to go) is its lock taken, unless another run holds it, and everything is
// decided again under the lock: an item already converted is decided without a lock and touches
// nothing on the disk, which a rerun over a converted library on a read-only disk needs.
// outputs tells the outputs already in a folder; a run reads each folder once, however many
// items lack their audio (a folder of thousands would otherwise be read thousands of times).
ItemPlan planItem(const QString &videoFile, const QString &videoFolder, PlanMode mode,
                  MediaReads &media, OutputIndex &outputs);

// Plans what a removal cut short left of an item: its own output placed, and its lock taken
// (unless another run holds it) when the run may write and removal is asked.
ItemPlan planRemains(const Remains &remains, PlanMode mode);

// What an item came to when it was planned but nothing was converted or checked for it.
ItemResult plannedItem(const ItemPlan &plan, ItemResult::Outcome outcome,
                       const Problem &failure = Problem());

#endif // ITEMPLAN_H
