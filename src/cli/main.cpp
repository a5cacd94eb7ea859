// SPDX-License-Identifier: MIT
// vantoro-cli: the converter without a window, for machines without a screen and for scripts.
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <cstdio>
#include <numeric>

#include "clioptions.h"
#include "consoleprogress.h"
#include "consolewriter.h"
#include "englishwording.h"
#include "files/cachewalk.h"
#include "interruption.h"
#include "librarycheck.h"
#include "report/runreport.h"
#include "threadobject.h"

namespace {

enum ExitCode {
    Success = 0,
    NeedsAttention = 1, // an item or folder needs the user: failed, incomplete, sources kept…
    UsageError = 2,
    Interrupted = 130,
};

// The worker's developer diagnostics stay out of the console; warnings still show.
void dropDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        writeText(stderr, message + QLatin1Char('\n'));
}

} // namespace

int main(int argc, char *argv[])
{
    preferUtf8Locale();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantoro-cli"));
    qInstallMessageHandler(dropDebugLines);

    CliOptions options;
    QString message;
    switch (parseCliArguments(QCoreApplication::arguments(), &options, &message)) {
    case CliParse::Done:
        writeText(stdout, message + QLatin1Char('\n'));
        return Success;
    case CliParse::UsageError:
        writeText(stderr, QStringLiteral("vantoro-cli: ") + message + QLatin1Char('\n'));
        return UsageError;
    case CliParse::Run:
        break;
    }
    catchInterruptions();

    if (options.check) {
        const LibraryCheck check = checkLibrary(options.folders, options.quiet, isTerminal(stdout));
        interruptionHandled();
        const bool attention = check.needsAttention();
        if (!options.quiet || attention || check.stopped)
            writeText(stdout, checkSummary(check) + QLatin1Char('\n'));
        if (check.stopped)
            return Interrupted;
        return attention ? NeedsAttention : Success;
    }

    // Counted first with a walk that keeps no list, so each line can say "[3/17]"; each run
    // then says what it found itself when it starts.
    QVector<int> counted;
    for (const QString &folder : options.folders)
        counted << countCacheItems(folder);
    // Progress in place only for a person at a terminal; pipes and logs get the lines alone.
    ConsoleProgress progress(std::accumulate(counted.cbegin(), counted.cend(), 0), options.quiet,
                             isTerminal(stdout));
    // What the runs came to, as the worker itself tallied it.
    RunReport report;

    QThread thread;
    auto *worker = new ThreadObject;
    worker->setDeleteSource(options.deleteSource);
    worker->setDryRun(options.dryRun);
    worker->setPauseInterval(0);
    worker->setFfmpegProgram(options.ffmpeg);
    worker->setCopyStreams(options.copy);
    int runsStarted = 0;
    RunObserver observer;
    observer.started = [&](int found) { progress.runStarted(counted.value(runsStarted++), found); };
    observer.walkProblem = [&progress](const Problem &problem) { progress.walkProblem(problem); };
    observer.progress = [&progress](const ConversionProgress &now) { progress.itemProgress(now); };
    observer.itemDone = [&progress](const ItemResult &result) { progress.itemDone(result); };
    observer.finished = [&report](const RunReport &run) { report.add(run); };
    worker->setObserver(observer);
    QObject::connect(
        worker, &ThreadObject::currentFileName_Signal, worker,
        [&progress](const QString &name) { progress.itemStarted(name); }, Qt::DirectConnection);
    worker->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);

    // One folder after another: the next run is asked for only when the last one has ended,
    // and none after an interruption.
    QStringList folders = options.folders;
    const auto runNext = [worker, &folders] {
        if (folders.isEmpty() || interruptionRequested()) {
            QCoreApplication::quit();
            return;
        }
        QMetaObject::invokeMethod(worker, "runSomeBigWork1", Qt::QueuedConnection,
                                  Q_ARG(QString, folders.takeFirst()));
    };
    QObject::connect(worker, &ThreadObject::convertFinished_Signal, &app, runNext);
    QTimer interruptionWatch;
    QObject::connect(&interruptionWatch, &QTimer::timeout, &app, [worker, &interruptionWatch] {
        if (interruptionRequested()) {
            interruptionWatch.stop();
            worker->stop();
        }
    });
    interruptionWatch.start(20);

    thread.start();
    runNext();
    app.exec();
    thread.quit();
    thread.wait();
    // The run has ended cleanly: a console that is closing may end the program now.
    interruptionHandled();

    const bool stopped = interruptionRequested();
    progress.finish(englishSummary(report, progress.total(), options.dryRun, stopped), stopped);
    if (stopped)
        return Interrupted;
    return report.needsAttention() ? NeedsAttention : Success;
}
