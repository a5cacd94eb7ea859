// SPDX-License-Identifier: MIT
#include "report/runreport.h"

#include <algorithm>

QVector<RunReport::Entry> RunReport::entriesFor(const ItemResult &item)
{
    QVector<Entry> entries;
    const auto add = [&](Role role, const Problem &problem, const QString &earlier = QString()) {
        entries.append({ item.outputName, role, item.outcome, problem, earlier });
    };
    switch (item.outcome) {
    case ItemResult::Failed:
    case ItemResult::Incomplete:
    case ItemResult::Passed:
    case ItemResult::Locked:
    case ItemResult::Gone:
        add(ItemOutcome, item.failure);
        break;
    case ItemResult::Converted:
    case ItemResult::Skipped:
    case ItemResult::WouldConvert:
    case ItemResult::WouldSkip:
    case ItemResult::ConvertedElsewhere:
        break;
    }
    if (!item.earlierOutput.isEmpty())
        add(EarlierOutputKept, Problem(), item.earlierOutput);
    if (item.underEarlierName)
        add(UnderEarlierName, Problem(), item.outputFile);
    if (item.earlierRemoval && item.sources.kind == SourceFate::Removed)
        add(EarlierRemovalFinished, Problem());
    if (!item.nameNote.isNone())
        add(NameFallback, item.nameNote);
    if (item.sources.kind == SourceFate::Kept)
        add(SourcesKept, item.sources.reason);
    if (item.sources.kind == SourceFate::RemovalFailed)
        add(RemovalFailed, item.sources.reason);
    // An item without a name is named by its folder.
    if (item.outputName.isEmpty()) {
        for (Entry &entry : entries)
            entry.outputName = item.videoFolder;
    }
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
    // A loop loses nothing: every folder in it was walked once; a look-alike stays as it is.
    const Role role = problem.kind == Problem::FolderLoop ? WalkNote
        : problem.kind == Problem::NotARunsWorkingFile    ? LookAlikeNote
                                                          : WalkProblem;
    entries.append({ QString(), role, ItemResult::Failed, problem, QString() });
}

void RunReport::add(const RunReport &other)
{
    itemCount += other.itemCount;
    for (size_t i = 0; i < outcomes.size(); ++i)
        outcomes[i] += other.outcomes[i];
    entries += other.entries;
}

int RunReport::count(Role role) const
{
    return int(std::count_if(entries.cbegin(), entries.cend(),
                             [role](const Entry &entry) { return entry.role == role; }));
}
