// SPDX-License-Identifier: MIT
#include "consoleprogress.h"

#include <QStringList>

#include "consolewriter.h"
#include "englishwording.h"
#include "reportwording.h"

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
            .arg(tally.items() + 1)
            .arg(qMax(total, tally.items() + 1))
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
    const int itemsAfterThis = qMax(0, total - tally.items() - 1);
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
    tally.addItem(result);
    // A walk that meets more items than were counted (the folder changed meanwhile) still
    // never prints a counter past its total.
    total = qMax(total, tally.items());
    print(QStringLiteral("[%1/%2] %3: %4")
              .arg(tally.items())
              .arg(total)
              .arg(result.outputFile, englishOutcome(result)),
          RunReport::needsAttention(result));
}

void ConsoleProgress::walkProblem(const Problem &problem)
{
    clearLiveLine();
    tally.addWalkProblem(problem);
    print(problemWords(problem, Language::English), true);
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
            .arg(tally.count(ItemResult::WouldConvert))
            .arg(tally.count(ItemResult::WouldSkip))
            .arg(total);
    QString text = QStringLiteral("Converted %1, skipped %2, failed %3, of %4 items.")
                       .arg(tally.count(ItemResult::Converted))
                       .arg(tally.count(ItemResult::Skipped))
                       .arg(tally.count(ItemResult::Failed))
                       .arg(total);
    QStringList attention;
    const auto add = [&attention](int count, const char *words) {
        if (count > 0)
            attention << QStringLiteral("%1 %2").arg(count).arg(QLatin1String(words));
    };
    add(tally.count(RunReport::ItemIncomplete), "incomplete");
    add(tally.count(RunReport::ItemPassed), "passed over");
    add(tally.count(RunReport::ItemLocked), "being converted by another run");
    add(tally.count(RunReport::SourcesKept), "kept their sources");
    add(tally.count(RunReport::RemovalFailed), "could not be removed");
    add(tally.count(RunReport::NameFallback), "without a usable entry.json");
    add(tally.count(RunReport::WalkProblem), "unreadable folders");
    if (!attention.isEmpty())
        text += QStringLiteral(" Needs attention: ") + attention.join(QStringLiteral(", "))
            + QLatin1Char('.');
    if (stopped)
        text += QStringLiteral(" Stopped by the user: the remaining items were left as they were.");
    return text;
}
