// SPDX-License-Identifier: MIT
#include "ffmpeg/processwait.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace {

// A killed process cannot refuse to go; this only covers a slow system taking it away.
constexpr int killWaitMs = 5000;

} // namespace

bool waitForProcessStart(QProcess &process, int timeoutMs, const StopCheck &stopRequested)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (process.state() == QProcess::Starting) {
        if ((stopRequested && stopRequested()) || deadline.hasExpired())
            return false;
        process.waitForStarted(stopCheckIntervalMs);
    }
    return true;
}

bool waitForProcessEnd(QProcess &process, int timeoutMs, const StopCheck &stopRequested,
                       const std::function<void()> &onSlice)
{
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    while (process.state() != QProcess::NotRunning) {
        if (stopRequested && stopRequested())
            return false;
        if (deadline.hasExpired())
            return false;
        process.waitForFinished(stopCheckIntervalMs);
        if (onSlice)
            onSlice();
    }
    return true;
}

bool pauseUnlessStopped(int milliseconds, const StopCheck &stopRequested)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (stopRequested && stopRequested())
            return false;
        QThread::msleep(
            qMin<qint64>(stopCheckIntervalMs, qMax<qint64>(deadline.remainingTime(), 1)));
    }
    return !(stopRequested && stopRequested());
}

void killProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(killWaitMs);
}
