// SPDX-License-Identifier: MIT
#ifndef SOURCEDECISION_H
#define SOURCEDECISION_H

#include "media/mediaverification.h"
#include "output/outputplacement.h"
#include "records/itemresult.h"

// What is known of an item when its sources could go.
struct SourceFacts
{
    bool removalAsked = false;
    OutputPlacement::Verdict placement = OutputPlacement::NoFreeName;
    ItemResult::Outcome outcome = ItemResult::Failed;
    Verification verification; // of the output, against both sources
    bool fallbackName = false; // the output has the name every item without entry.json shares
    QString outputFile;
};

// Whether an item's sources may go, decided before anything is removed.
struct SourceVerdict
{
    enum Kind {
        NotAsked, // nobody asked, or the item failed or is incomplete (its failure says why)
        Keep, // something about the output does not prove it a complete conversion: see reason
        MayRemove, // the removal itself then tells what became of them
    };

    Kind kind = NotAsked;
    Problem reason;

    // What became of the sources when they are not removed.
    SourceFate unremoved() const
    {
        return kind == Keep ? SourceFate(SourceFate::Kept, reason) : SourceFate();
    }
};

SourceVerdict decideSources(const SourceFacts &facts);

#endif // SOURCEDECISION_H
