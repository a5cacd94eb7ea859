// SPDX-License-Identifier: MIT
#include "consoleprogress.h"

#include <QStringList>

#include "consolewriter.h"
#include "englishwording.h"

namespace {

// Columns a line takes at a terminal: East Asian wide characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115f) || (u >= 0x2e80 && u <= 0xa4cf)
            || (u >= 0xac00 && u <= 0xd7a3) || (u >= 0xf900 && u <= 0xfaff)
            || (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60)
            || (u >= 0xffe0 && u <= 0xffe6);
        width += wide ? 2 : 1;
    }
    return width;
}

} // namespace

void ConsoleProgress::itemStarted(const QString &name)
{
    currentName = name;
    currentProgress = ConversionProgress();
    sinceLiveLine.invalidate();
}

void ConsoleProgress::itemProgress(const ConversionProgress &progress)
{
    currentProgress = progress;
    // A few updates a second are all an eye can follow, and all a slow terminal should take.
    if (!live || (sinceLiveLine.isValid() && sinceLiveLine.elapsed() < 250))
        return;
    sinceLiveLine.start();
    const QString line =
        QStringLiteral("[%1/%2] %3: %4")
            .arg(seen + 1)
            .arg(qMax(total, seen + 1))
            .arg(currentName, describeProgress(progress, runSecondsLeft(progress)));
    const int width = displayWidth(line);
    writeText(out,
              QLatin1Char('\r') + line + QString(qMax(0, liveWidth - width), QLatin1Char(' ')));
    liveWidth = width;
}

double ConsoleProgress::runSecondsLeft(const ConversionProgress &progress) const
{
    const double itemLeft = progress.secondsLeft();
    if (itemLeft < 0)
        return -1;
    // The items still to come are taken to be as long as those met so far, this one included.
    const double knownSeconds = mediaSecondsSeen + progress.durationSeconds;
    const double averageItem = knownSeconds / (itemsWithDuration + 1);
    const int itemsAfterThis = qMax(0, total - seen - 1);
    return itemLeft + itemsAfterThis * averageItem / progress.speed;
}

void ConsoleProgress::clearLiveLine()
{
    if (liveWidth == 0)
        return;
    writeText(out, QLatin1Char('\r') + QString(liveWidth, QLatin1Char(' ')) + QLatin1Char('\r'));
    liveWidth = 0;
}

QString ConsoleProgress::describeProgress(const ConversionProgress &progress, double runSecondsLeft)
{
    QStringList parts;
    const int percent = progress.percent();
    QString head = percent >= 0 ? QStringLiteral("%1%").arg(percent) : QStringLiteral("converting");
    if (progress.speed > 0)
        head += QStringLiteral(" at %1×").arg(
            QString::number(progress.speed, 'f', progress.speed < 10 ? 1 : 0));
    parts << head;
    const double itemLeft = progress.secondsLeft();
    if (itemLeft >= 0)
        parts << QStringLiteral("about %1 left").arg(describeDuration(itemLeft));
    if (runSecondsLeft >= 0 && runSecondsLeft > itemLeft + 1)
        parts << QStringLiteral("all about %1 left").arg(describeDuration(runSecondsLeft));
    return parts.join(QStringLiteral(", "));
}

QString ConsoleProgress::describeDuration(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole < 60)
        return QStringLiteral("%1 s").arg(whole);
    const qint64 minutes = (whole + 30) / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

void ConsoleProgress::itemDone(const ItemResult &result)
{
    clearLiveLine();
    if (currentProgress.durationSeconds > 0) {
        mediaSecondsSeen += currentProgress.durationSeconds;
        ++itemsWithDuration;
    }
    currentProgress = ConversionProgress();
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
    clearLiveLine();
    ++unreadable;
    print(englishProblem(problem), true);
}

void ConsoleProgress::print(const QString &line, bool problem)
{
    if (quiet && !problem)
        return;
    writeText(quiet ? errors : out, line + QLatin1Char('\n'));
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
