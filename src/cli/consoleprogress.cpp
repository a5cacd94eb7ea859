// SPDX-License-Identifier: MIT
#include "consoleprogress.h"

#include <QStringList>

#include "englishwording.h"

void ConsoleProgress::itemDone(const ItemResult &result)
{
    // A walk that meets more items than were counted (the folder changed meanwhile) still
    // never prints a counter past its total.
    total = qMax(total, ++seen);
    switch (result.outcome) {
    case ItemResult::Converted:
    case ItemResult::WouldConvert:
        ++converted;
        break;
    case ItemResult::Skipped:
    case ItemResult::WouldSkip:
        ++skipped;
        break;
    case ItemResult::Failed:
    case ItemResult::Passed:
        ++failed;
        break;
    case ItemResult::Incomplete:
        ++incomplete;
        break;
    }
    if (!result.keptSources.isNone())
        ++keptSources;
    if (!result.removal.isNone())
        ++removalFailed;
    print(QStringLiteral("[%1/%2] %3: %4")
              .arg(seen)
              .arg(total)
              .arg(result.outputFile, englishOutcome(result)),
          result.needsAttention());
}

void ConsoleProgress::walkProblem(const Problem &problem)
{
    ++unreadable;
    print(englishProblem(problem), true);
}

void ConsoleProgress::print(const QString &line, bool problem)
{
    if (quiet && !problem)
        return;
    std::FILE *stream = quiet ? errors : out;
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString ConsoleProgress::summary(bool dryRun, bool stopped) const
{
    if (dryRun)
        return QStringLiteral("Would convert %1, would skip %2, of %3 items.")
            .arg(converted)
            .arg(skipped)
            .arg(total);
    QString text = QStringLiteral("Converted %1, skipped %2, failed %3, of %4 items.")
                       .arg(converted)
                       .arg(skipped)
                       .arg(failed)
                       .arg(total);
    const QStringList attention = [this] {
        QStringList parts;
        if (incomplete)
            parts << QStringLiteral("%1 incomplete").arg(incomplete);
        if (keptSources)
            parts << QStringLiteral("%1 kept their sources").arg(keptSources);
        if (removalFailed)
            parts << QStringLiteral("%1 could not be removed").arg(removalFailed);
        if (unreadable)
            parts << QStringLiteral("%1 unreadable folders").arg(unreadable);
        return parts;
    }();
    if (!attention.isEmpty())
        text += QStringLiteral(" Needs attention: ") + attention.join(QStringLiteral(", "))
            + QLatin1Char('.');
    if (stopped)
        text += QStringLiteral(" Stopped by the user: the remaining items were left as they were.");
    return text;
}
