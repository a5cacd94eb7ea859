// SPDX-License-Identifier: MIT
#include "englishwording.h"

#include <QStringList>

#include "report/reportwording.h"

QString englishOutcome(const ItemResult &result)
{
    QString text = outcomeWords(result.outcome, result.failure, Language::English);
    for (const RunReport::Entry &entry : RunReport::entriesFor(result)) {
        // What needs no attention but is worth a word in the item's line.
        if (entry.role == RunReport::NameFallback || !RunReport::needsAttention(entry.role))
            text += roleWords(entry, Language::English);
    }
    const QString sources = fateWords(result.sources, Language::English);
    if (!sources.isEmpty())
        text += QStringLiteral(", ") + sources;
    return text;
}

QString englishSummary(const RunReport &report, int total, bool dryRun, bool stopped)
{
    const auto counts = [&report](std::initializer_list<ItemResult::Outcome> outcomes) {
        QStringList words;
        for (const ItemResult::Outcome outcome : outcomes)
            words << outcomeCount(outcome, report.count(outcome), Language::English);
        return words;
    };
    const QString of = QStringLiteral("of %1 items.").arg(total);
    if (dryRun)
        return counts({ ItemResult::WouldConvert, ItemResult::WouldSkip })
                   .join(QStringLiteral(", "))
            + QStringLiteral(", ") + of;

    QStringList done = counts({ ItemResult::Converted, ItemResult::Skipped, ItemResult::Failed });
    if (const int elsewhere = report.count(ItemResult::ConvertedElsewhere))
        done << outcomeCount(ItemResult::ConvertedElsewhere, elsewhere, Language::English);
    QString text = done.join(QStringLiteral(", ")) + QStringLiteral(", ") + of;

    QStringList attention;
    for (const ItemResult::Outcome outcome :
         { ItemResult::Incomplete, ItemResult::Passed, ItemResult::Locked, ItemResult::Gone }) {
        if (const int count = report.count(outcome))
            attention << outcomeCount(outcome, count, Language::English);
    }
    for (const RunReport::Role role : { RunReport::SourcesKept, RunReport::RemovalFailed,
                                        RunReport::NameFallback, RunReport::WalkProblem }) {
        if (const int count = report.count(role))
            attention << roleCount(role, count, Language::English);
    }
    if (!attention.isEmpty())
        text += QStringLiteral(" Needs attention: ") + attention.join(QStringLiteral(", "))
            + QLatin1Char('.');
    if (stopped)
        text += QStringLiteral(" Stopped by the user: the remaining items were left as they were.");
    return text;
}
