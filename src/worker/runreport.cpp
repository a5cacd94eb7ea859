// SPDX-License-Identifier: MIT
#include "runreport.h"

#include <algorithm>

QVector<RunReport::Entry> RunReport::entriesFor(const ItemResult &item)
{
    QVector<Entry> entries;
    switch (item.outcome) {
    case ItemResult::Failed:
        entries.append({ item.outputName, ItemFailed, item.failure });
        break;
    case ItemResult::Incomplete:
        entries.append({ item.outputName, ItemIncomplete, item.failure });
        break;
    case ItemResult::Passed:
        entries.append({ item.outputName, ItemPassed, Problem() });
        break;
    case ItemResult::Locked:
        entries.append({ item.outputName, ItemLocked, Problem() });
        break;
    case ItemResult::Converted:
    case ItemResult::Skipped:
    case ItemResult::WouldConvert:
    case ItemResult::WouldSkip:
        break;
    }
    if (!item.earlierOutput.isEmpty())
        entries.append(
            { item.outputName, EarlierOutputKept, Problem(Problem::None, item.earlierOutput) });
    if (!item.nameNote.isNone())
        entries.append({ item.outputName, NameFallback, item.nameNote });
    if (item.sources.kind == SourceFate::Kept)
        entries.append({ item.outputName, SourcesKept, item.sources.reason });
    if (item.sources.kind == SourceFate::RemovalFailed)
        entries.append({ item.outputName, RemovalFailed, item.sources.reason });
    return entries;
}

namespace {

bool anyNeedsAttention(const QVector<RunReport::Entry> &entries)
{
    return std::any_of(entries.cbegin(), entries.cend(), [](const RunReport::Entry &entry) {
        return RunReport::needsAttention(entry.role);
    });
}

} // namespace

bool RunReport::needsAttention(const ItemResult &item)
{
    return anyNeedsAttention(entriesFor(item));
}

bool RunReport::needsAttention() const
{
    return anyNeedsAttention(entries);
}

void RunReport::addItem(const ItemResult &item)
{
    ++itemCount;
    ++outcomes.at(item.outcome);
    entries += entriesFor(item);
}

void RunReport::addWalkProblem(const Problem &problem)
{
    entries.append({ QString(), WalkProblem, problem });
}

int RunReport::count(Role role) const
{
    return int(std::count_if(entries.cbegin(), entries.cend(),
                             [role](const Entry &entry) { return entry.role == role; }));
}
