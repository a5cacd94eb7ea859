// SPDX-License-Identifier: MIT
#include "cachetest.h"

#include <QSignalSpy>

#include "cachebuilder.h"
#include "report/reportwording.h"

QString WorkerRun::described() const
{
    QStringList lines;
    for (const ItemResult &item : items)
        lines << item.outputName + QStringLiteral(": ")
                + outcomeWords(item.outcome, item.failure, Language::English);
    return lines.join(QLatin1Char('\n'));
}

bool CacheTest::prepare(QString *why)
{
    return CacheBuilder::prepareStreams(why);
}

bool CacheTest::reset(QString *why)
{
    dir.reset(new QTemporaryDir);
    *why = dir->errorString();
    return dir->isValid();
}

QString CacheTest::addItem(const QString &itemPath, const QString &title,
                           const QString &quality) const
{
    return CacheBuilder::addItem(
        root(), itemPath, title.isNull() ? QByteArray() : CacheBuilder::entryJson(title), quality);
}

RunObserver recordInto(WorkerRun &run)
{
    RunObserver observer;
    observer.walkProblem = [&run](const Problem &problem) { run.walkProblems << problem; };
    observer.itemDone = [&run](const ItemResult &item) { run.items << item; };
    observer.finished = [&run](const RunReport &report) { run.report = report; };
    return observer;
}

WorkerRun runWorker(const QString &folder, bool deleteSource,
                    const std::function<void(ThreadObject &, RunObserver &)> &setUp)
{
    WorkerRun run;
    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(deleteSource);
    RunObserver observer = recordInto(run);
    if (setUp)
        setUp(worker, observer);
    const RunObserver recording = recordInto(run);
    observer.walkProblem = recording.walkProblem;
    observer.itemDone = recording.itemDone;
    observer.finished = recording.finished;
    worker.setObserver(observer);
    QObject::connect(&worker, &ThreadObject::currentFileName_Signal,
                     [&run](const QString &name) { run.names << name; });
    QObject::connect(&worker, &ThreadObject::message_FromSubthread_Signal,
                     [&run](const QString &message) { run.messages << message; });
    QObject::connect(&worker, &ThreadObject::convertFinished_Signal, [&run] { ++run.ends; });
    worker.runConversion(folder);
    return run;
}
