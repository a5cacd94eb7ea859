// SPDX-License-Identifier: MIT
// The run loop: each item is walked to, named, placed, converted and decided about in turn,
// with the run's debug lines. The decisions themselves live in units of their own.
#include "threadobject.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "cachewalk.h"
#include "conversionjob.h"
#include "ffmpeglocator.h"
#include "mediaverification.h"
#include "outputlock.h"
#include "outputnaming.h"
#include "outputplacement.h"
#include "processwait.h"
#include "reportwording.h"
#include "runcontext.h"
#include "sourcedecision.h"
#include "sourceremoval.h"
#include "sourcetag.h"

ThreadObject::ThreadObject(QObject *parent) : QObject(parent)
{
    qDebug() << __FILE__ << __FUNCTION__ << QThread::currentThreadId();
}

ThreadObject::~ThreadObject()
{
    qDebug() << "ThreadObject destroy";
}

void ThreadObject::stop()
{
    qDebug() << "ThreadObject() in " << __FILE__ << __FUNCTION__ << QThread::currentThreadId();
    isStopRequested = true;
}

void ThreadObject::emitCurrentFileName(const QString &name)
{
    if (!name.isEmpty())
        emit currentFileName_Signal(name);
}

void ThreadObject::processfinishedSlot(int aa)
{
    qDebug() << " processfinishedSlot " << aa;
    isStarted = false;
}

void ThreadObject::processstartedSlot()
{
    qDebug() << " processstartedSlot ";
    isStarted = true;
}

void ThreadObject::runSomeBigWork1(QString dirString)
{
    qDebug() << "runSomeBigWork1" << QThread::currentThreadId() << dirString;
    runConversion(dirString);
}

void ThreadObject::runConversion(QString dirString)
{
    // A stop ends the run it came for; this one starts afresh.
    isStopRequested = false;
    // Jobs change the current folder, so a relative root must be pinned down first.
    if (QDir::isRelativePath(dirString))
        dirString = QFileInfo(dirString).absoluteFilePath();
    RunContext run;
    run.root = dirString;
    if (!QFileInfo(dirString).isDir()) {
        reportWalkProblems({ Problem(Problem::RootUnreadable, dirString) }, run);
        emit message_FromSubthread_Signal(chineseReport(run.report));
        emit convertFinished_Signal();
        return;
    }
    // The tools are found once, for every item of the run.
    run.conversion.ffmpeg = explicitFfmpeg.isEmpty()
        ? locateFfmpeg(QCoreApplication::applicationDirPath())
        : explicitFfmpeg;
    run.conversion.extraOutputArguments = extraOutputArguments;
    run.conversion.stopRequested = [this] { return stopRequested(); };
    run.conversion.onProgress = progressObserver;
    run.conversion.watchProcess = [this](QProcess *process) {
        connect(process, SIGNAL(started()), this, SLOT(processstartedSlot()));
        connect(process, SIGNAL(finished(int)), this, SLOT(processfinishedSlot(int)));
    };

    CacheWalk walk(dirString);
    while (walk.hasNext() && !isStopRequested) {
        walk.next();
        reportWalkProblems(walk.takeProblems(), run);
        const ItemResult result =
            runItem(jobForVideoFile(walk.videoFile(), walk.videoFolder()), run);
        run.report.addItem(result);
        if (itemObserver)
            itemObserver(result);
    }
    reportWalkProblems(walk.takeProblems(), run);

    qDebug() << "\n"
             << "all finished"
             << "\n";
    if (run.report.hasEntries())
        emit message_FromSubthread_Signal(chineseReport(run.report));
    emit convertFinished_Signal();
}

void ThreadObject::reportWalkProblems(const QVector<Problem> &problems, RunContext &run)
{
    for (const Problem &problem : problems) {
        run.report.addWalkProblem(problem);
        if (walkProblemObserver)
            walkProblemObserver(problem);
    }
}

ItemResult ThreadObject::runItem(ConversionJob job, RunContext &run)
{
    ItemResult result;
    MediaReads media(run.conversion.stopRequested);
    job.outputName = nameForEntry(job.entryJsonFile, &result.nameNote);
    job.outputFile = job.outputFolder + QLatin1Char('/') + job.outputName;
    // One run at a time works on a name. A dry run changes nothing, locks included.
    OutputLock lock(job.outputFile);
    const bool takenElsewhere = !isDryRun && lock.heldElsewhere();
    OutputPlacement placement;
    if (!takenElsewhere) {
        job.sourceTag = sourceTag(job.itemFolder, job.videoFolder, job.videoFile, job.audioFile);
        placement = placeOutput(job.outputFile, job.sourceTag, [&media](const QString &path) {
            return occupantOnDisk(path, media);
        });
        job.outputFile = placement.outputFile;
    }
    result.outputFile = job.outputFile;
    result.outputName = QFileInfo(job.outputFile).fileName();
    emitCurrentFileName(result.outputName);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    job.command = ffmpegCommandText(job);
    qDebug() << "\n" << job.command << " isstarted:" << isStarted << "\n";
    if (takenElsewhere)
        result.outcome = ItemResult::Locked;
    else
        executeJob(job, placement, run, media, result);
    return result;
}

void ThreadObject::executeJob(const ConversionJob &job, const OutputPlacement &placement,
                              RunContext &run, MediaReads &media, ItemResult &result)
{
    // The gate: while a conversion still runs, nothing else is started.
    if (isStarted) {
        result.outcome = ItemResult::Passed;
        return;
    }
    const bool convert = placement.verdict == OutputPlacement::FreeName;
    if (placement.verdict == OutputPlacement::NoFreeName) {
        result.failure = Problem(Problem::NoFreeName, placement.outputFile);
        return;
    }
    if (isDryRun) {
        result.outcome = convert ? ItemResult::WouldConvert : ItemResult::WouldSkip;
        return;
    }

    Problem verification;
    result.outcome = ItemResult::Skipped;
    if (convert) {
        const ConversionResult conversion = convertItem(job, run.conversion, media);
        if (conversion.ffmpegKilled)
            isStarted = false;
        result.outcome = conversion.outcome;
        result.failure = conversion.failure;
        verification = conversion.verification;
        if (result.outcome != ItemResult::Failed)
            result.earlierOutput = placement.earlierOutput;
    }

    pause();

    // Read the choice only now: the user may have changed it while ffmpeg ran.
    const bool removalAsked = isDeleteSource && !isStopRequested;
    if (removalAsked && placement.verdict == OutputPlacement::OwnOutput) {
        MediaInfo existing;
        media.read(job.outputFile, &existing);
        verification = verifyAgainstSources(existing, job.videoFile, job.audioFile, media);
    }
    result.sources =
        decideSourceFate({ removalAsked, placement.verdict, result.outcome, verification,
                           job.outputName == fallbackOutputName, job.outputFile });
    if (result.sources.kind == SourceFate::Removed)
        result.sources = removeItemSources(job, run.root);
}

SourceFate ThreadObject::removeItemSources(const ConversionJob &job, const QString &root)
{
    const SourceRemoval removal = removeSources(job, root);
    if (removal.began) {
        qDebug() << "\n  remove" << job.videoFile << removal.videoRemoved;
        qDebug() << "\n  remove" << job.audioFile << removal.audioRemoved;
        qDebug() << "\n  this one is Finished! delete" << removal.folderRemoved << " -->"
                 << job.itemFolder;
    }
    return removal.fate;
}

void ThreadObject::pause()
{
    if (pauseInterval <= 0 || isStopRequested)
        return;
    // Queued requests, a further run among them, are delivered here. A stop ends it early.
    QEventLoop loop;
    QTimer::singleShot(pauseInterval, &loop, &QEventLoop::quit);
    QTimer stopWatch;
    connect(&stopWatch, &QTimer::timeout, &loop, [this, &loop] {
        if (isStopRequested)
            loop.quit();
    });
    stopWatch.start(stopCheckIntervalMs);
    loop.exec();
}
