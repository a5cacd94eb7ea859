// SPDX-License-Identifier: MIT
#include "item/sourcedecision.h"

namespace {

SourceVerdict keep(const Problem &reason)
{
    return { SourceVerdict::Keep, reason };
}

} // namespace

SourceVerdict decideSources(const SourceFacts &facts)
{
    if (!facts.removalAsked)
        return {};
    if (facts.outcome != ItemResult::Converted && facts.outcome != ItemResult::Skipped)
        return {};
    switch (facts.placement) {
    case OutputPlacement::FreeName:
    case OutputPlacement::OwnOutput:
        break;
    case OutputPlacement::OriginUnknown:
        return keep(Problem(Problem::OutputUntagged, facts.outputFile));
    case OutputPlacement::Unreadable:
        return keep(Problem(Problem::OutputUnreadable, facts.outputFile));
    case OutputPlacement::OtherVideoOfItem:
        return keep(Problem(Problem::OutputOfAnotherVideo, facts.outputFile));
    case OutputPlacement::NoFreeName:
        return {};
    }
    // Every item without a readable entry.json shares the fallback name, and a later item may
    // still turn out to claim the same file. Such sources always stay.
    if (facts.fallbackName)
        return keep(Problem(Problem::FallbackName, facts.outputFile));
    if (!facts.verification.isComplete())
        return keep(facts.verification.problem.isNone()
                        ? Problem(Problem::MediaUnreadable, facts.outputFile)
                        : facts.verification.problem);
    return { SourceVerdict::MayRemove, Problem() };
}
