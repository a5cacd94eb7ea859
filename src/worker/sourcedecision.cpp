// SPDX-License-Identifier: MIT
#include "sourcedecision.h"

SourceFate decideSourceFate(const SourceFacts &facts)
{
    if (!facts.removalAsked)
        return SourceFate::NotAsked;
    if (facts.outcome != ItemResult::Converted && facts.outcome != ItemResult::Skipped)
        return SourceFate::NotAsked;
    switch (facts.placement) {
    case OutputPlacement::FreeName:
    case OutputPlacement::OwnOutput:
        break;
    case OutputPlacement::OriginUnknown:
        return SourceFate(SourceFate::Kept, Problem(Problem::OutputUntagged, facts.outputFile));
    case OutputPlacement::OtherVideoOfItem:
        return SourceFate(SourceFate::Kept,
                          Problem(Problem::OutputOfAnotherVideo, facts.outputFile));
    case OutputPlacement::NoFreeName:
        return SourceFate::NotAsked;
    }
    // Every item without a readable entry.json shares the fallback name, and the walk is lazy:
    // a later item may still turn out to claim the same file. Such sources always stay.
    if (facts.fallbackName)
        return SourceFate(SourceFate::Kept, Problem(Problem::FallbackName, facts.outputFile));
    if (!facts.verification.isNone())
        return SourceFate(SourceFate::Kept, facts.verification);
    return SourceFate::Removed;
}
