// SPDX-License-Identifier: MIT
#include "consoleprogress.h"

QString ConsoleProgress::describe(const ItemResult &result)
{
    QString words;
    switch (result.outcome) {
    case ItemResult::Converted:
        words = QStringLiteral("converted");
        break;
    case ItemResult::Skipped:
        words = QStringLiteral("skipped, the output is already there");
        break;
    case ItemResult::Failed:
        words = QStringLiteral("failed: ") + result.reason;
        break;
    case ItemResult::WouldConvert:
        words = QStringLiteral("would be converted");
        break;
    case ItemResult::WouldSkip:
        words = QStringLiteral("would be skipped, the output is already there");
        break;
    case ItemResult::Passed:
        words = QStringLiteral("passed over, another conversion was still running");
        break;
    }
    if (result.sourcesRemoved)
        words += QStringLiteral(", sources removed");
    else if (!result.keptSources.isEmpty())
        words += QStringLiteral(", sources kept: ") + result.keptSources;
    return words;
}

void ConsoleProgress::itemDone(const ItemResult &result)
{
    ++seen;
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
    }
    const bool failure = result.outcome == ItemResult::Failed || result.outcome == ItemResult::Passed;
    if (quiet && !failure)
        return;
    const QString line = QStringLiteral("[%1/%2] %3: %4\n")
                             .arg(seen)
                             .arg(total)
                             .arg(result.outputFile, describe(result));
    std::FILE *stream = quiet ? errors : out;
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString ConsoleProgress::summary(bool dryRun, bool stopped) const
{
    if (dryRun)
        return QStringLiteral("Would convert %1, would skip %2, of %3 items.")
            .arg(converted).arg(skipped).arg(total);
    QString text = QStringLiteral("Converted %1, skipped %2, failed %3, of %4 items.")
                       .arg(converted).arg(skipped).arg(failed).arg(total);
    if (stopped)
        text += QStringLiteral(" Stopped by the user: the remaining items were left as they were.");
    return text;
}
