// SPDX-License-Identifier: MIT
#ifndef SOURCEDECISION_H
#define SOURCEDECISION_H

#include "itemresult.h"
#include "outputplacement.h"

// What is known of an item when its sources could go.
struct SourceFacts
{
    bool removalAsked = false;
    OutputPlacement::Verdict placement = OutputPlacement::NoFreeName;
    ItemResult::Outcome outcome = ItemResult::Failed;
    // The output compared with both sources: no problem when it holds both at full length.
    Problem verification;
    bool fallbackName = false; // the output has the name every item without entry.json shares
    QString outputFile;
};

// Whether an item's sources may go: NotAsked when nobody asked, or when the item failed or is
// incomplete (its failure says why nothing went); Kept with the reason when something about its
// output does not prove it a complete conversion of these very sources; Removed when they may
// go (the removal itself then tells whether they did).
SourceFate decideSourceFate(const SourceFacts &facts);

#endif // SOURCEDECISION_H
