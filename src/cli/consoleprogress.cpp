// SPDX-License-Identifier: MIT
#include "consoleprogress.h"

#include <QStringList>

#include "consolewriter.h"
#include "englishwording.h"
#include "report/reportwording.h"
#include "report/runreport.h"

void ConsoleProgress::runStarted(int counted, int found)
{
    itemCount += found - counted;
}

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
            .arg(shown + 1)
            .arg(qMax(itemCount, shown + 1))
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
    const int itemsAfterThis = qMax(0, itemCount - shown - 1);
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
    ++shown;
    // Never a counter past its total, whatever changed in the folder meanwhile.
    itemCount = qMax(itemCount, shown);
    // An item that is gone without a trace has no output: its folder names it.
    const QString item = result.outputFile.isEmpty() ? result.videoFolder : result.outputFile;
    print(QStringLiteral("[%1/%2] %3: %4")
              .arg(shown)
              .arg(itemCount)
              .arg(item, englishOutcome(result)),
          RunReport::needsAttention(result));
}

void ConsoleProgress::walkProblem(const Problem &problem)
{
    clearLiveLine();
    print(problemWords(problem, Language::English), true);
}

void ConsoleProgress::finish(const QString &summary, bool problem)
{
    clearLiveLine();
    if (!quiet || problem)
        writeText(out, summary + QLatin1Char('\n'));
}

void ConsoleProgress::print(const QString &line, bool problem)
{
    if (quiet && !problem)
        return;
    writeText(quiet ? errors : out, line + QLatin1Char('\n'));
}
