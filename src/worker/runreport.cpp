// SPDX-License-Identifier: MIT
#include "runreport.h"

void RunReport::addItem(const ItemResult &item)
{
    switch (item.outcome) {
    case ItemResult::Converted:
        ++converted;
        break;
    case ItemResult::Skipped:
        ++skipped;
        break;
    case ItemResult::Failed:
        ++failed;
        entries.append({ item.outputName, ItemFailed, item.failure });
        break;
    case ItemResult::Passed:
        ++failed;
        break;
    case ItemResult::Incomplete:
        ++incomplete;
        entries.append({ item.outputName, ItemIncomplete, item.failure });
        break;
    case ItemResult::WouldConvert:
    case ItemResult::WouldSkip:
        break;
    }
    if (!item.nameNote.isNone())
        entries.append({ item.outputName, NameFallback, item.nameNote });
    if (!item.keptSources.isNone())
        entries.append({ item.outputName, SourcesKept, item.keptSources });
    if (!item.removal.isNone())
        entries.append({ item.outputName, RemovalFailed, item.removal });
}

void RunReport::addWalkProblem(const Problem &problem)
{
    entries.append({ QString(), WalkProblem, problem });
}
