// SPDX-License-Identifier: MIT
#include "englishwording.h"

#include <QFileInfo>

#include "reportwording.h"

namespace {

QString words(const Problem &problem)
{
    return problemWords(problem, Language::English);
}

QString outcomeWords(const ItemResult &result)
{
    switch (result.outcome) {
    case ItemResult::Converted:
        return QStringLiteral("converted");
    case ItemResult::Skipped:
        return QStringLiteral("skipped, the output is already there");
    case ItemResult::Failed:
        return QStringLiteral("failed: ") + words(result.failure);
    case ItemResult::Incomplete:
        return QStringLiteral("incomplete, kept with its sources: ") + words(result.failure);
    case ItemResult::WouldConvert:
        return QStringLiteral("would be converted");
    case ItemResult::WouldSkip:
        return QStringLiteral("would be skipped, the output is already there");
    case ItemResult::Passed:
        return QStringLiteral("passed over, another conversion was still running");
    case ItemResult::Locked:
        return QStringLiteral("skipped, being converted by another run");
    }
    return QString();
}

} // namespace

QString englishOutcome(const ItemResult &result)
{
    QString text = outcomeWords(result);
    if (!result.nameNote.isNone())
        text += QStringLiteral(" (") + words(result.nameNote) + QLatin1Char(')');
    if (!result.earlierOutput.isEmpty())
        text += QStringLiteral(" (again: %1 was made before its download finished; it stays)")
                    .arg(QFileInfo(result.earlierOutput).fileName());
    switch (result.sources.kind) {
    case SourceFate::NotAsked:
        break;
    case SourceFate::Removed:
        text += QStringLiteral(", sources removed");
        break;
    case SourceFate::Kept:
        text += QStringLiteral(", sources kept: ") + words(result.sources.reason);
        break;
    case SourceFate::RemovalFailed:
        text += QStringLiteral(", removal failed: ") + words(result.sources.reason);
        break;
    }
    return text;
}
