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

// Plans the item of a found video.m4s: names it from its entry.json, takes its lock (unless
// another run holds it), and places its output. Without locks (a dry run) nothing is taken and
// nothing on the disk changes.
// outputs tells the outputs already in a folder; a run reads each folder once, however many
// items lack their audio (a folder of thousands would otherwise be read thousands of times).
ItemPlan planItem(const QString &videoFile, const QString &videoFolder, bool locks,
                  MediaReads &media, OutputIndex &outputs);

// Plans what a removal cut short left of an item: its lock taken (unless another run holds it),
// its own output placed.
ItemPlan planRemains(const Remains &remains, bool locks);

// What an item came to when it was planned but nothing was converted or checked for it.
ItemResult plannedItem(const ItemPlan &plan, ItemResult::Outcome outcome,
                       const Problem &failure = Problem());

#endif // ITEMPLAN_H
