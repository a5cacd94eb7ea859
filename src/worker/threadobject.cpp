// SPDX-License-Identifier: MIT
// The run loop: each item is planned, announced, converted (or its existing output checked),
// decided about and cleaned up in turn, with the run's debug lines. The steps themselves live
// in units of their own and never call back into the worker.
#include "threadobject.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <utility>

#include "ffmpeg/ffmpeglocator.h"
#include "ffmpeg/ffmpegprocess.h"
#include "files/cachewalk.h"
#include "item/goneitem.h"
#include "item/itemconversion.h"
#include "item/itemplan.h"
#include "item/outputproof.h"
#include "item/remains.h"
#include "item/runpreparation.h"
#include "item/sourcedecision.h"
#include "item/sourceremoval.h"
#include "output/outputlock.h"
#include "output/outputnaming.h"
#include "report/reportwording.h"
#include "runcontext.h"

namespace {

// What became of the sources, with how their output was proven.
SourceFate provenBy(SourceFate fate, const Proof &proof)
{
    fate.proof = proof.kind;
    fate.recordDamaged = proof.recordDamaged;
    return fate;
}

} // namespace

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

QString ThreadObject::getNameFromJson(const QString &entryJsonPath)
{
    return nameFromEntry(entryJsonPath).name;
}

void ThreadObject::fileNameAdjust(QString &name)
{
    adjustFileName(name);
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
        endRun(run);
        return;
    }
    // The tools are found once, for every item of the run.
    run.conversion.ffmpeg = explicitFfmpeg.isEmpty()
        ? locateFfmpeg(QCoreApplication::applicationDirPath())
        : explicitFfmpeg;
    run.conversion.extraOutputArguments = extraOutputArguments;
    if (isCopyStreams) {
        // FFmpeg 5 still calls FLAC in MP4 experimental; copied, it is as good as any other sound.
        run.conversion.extraOutputArguments << QStringLiteral("-c") << QStringLiteral("copy")
                                            << QStringLiteral("-strict")
                                            << QStringLiteral("experimental");
        run.conversion.copyStreams = true;
    }
    run.conversion.stopRequested = [flag = &isStopRequested] { return flag->load(); };
    run.conversion.onProgress = observer.progress;

    // Every item is found before the first is converted, so that each one the run counted
    // gets its line, also when it is gone by the time its turn comes.
    const CacheInventory inventory = takeInventory(dirString, isWorkingFileName);
    reportWalkProblems(inventory.problems, run);
    // What runs that were killed left behind goes first, and the outputs in each folder are
    // read once per run: for items that are gone, half removed or renamed, and for what a
    // removal cut short left of an item.
    OutputIndex outputs(run.conversion.stopRequested);
    const RunPreparation preparation = prepareRun(inventory, run.root, !isDryRun, outputs);
    reportWalkProblems(preparation.notes, run);
    const QVector<Remains> &remains = preparation.remains;
    if (observer.started)
        observer.started(inventory.videoFiles.size() + remains.size());
    for (int i = 0; i < inventory.videoFiles.size() && !isStopRequested; ++i) {
        const QString videoFile = inventory.videoFiles.at(i);
        MediaReads media(run.conversion.stopRequested);
        const ItemResult result = QFileInfo::exists(videoFile)
            ? runItem(planItem(videoFile, QFileInfo(videoFile).path(), planMode(), media, outputs),
                      run, media)
            : goneItem(videoFile, outputs);
        itemDone(result, run);
    }
    for (const Remains &left : std::as_const(remains)) {
        if (isStopRequested)
            break;
        MediaReads media(run.conversion.stopRequested);
        itemDone(runItem(planRemains(left, planMode()), run, media), run);
    }

    qDebug() << "\n"
             << "all finished"
             << "\n";
    endRun(run);
}

PlanMode ThreadObject::planMode() const
{
    return { !isDryRun, isDeleteSource };
}

void ThreadObject::endRun(const RunContext &run)
{
    if (observer.finished)
        observer.finished(run.report);
    if (run.report.hasEntries())
        emit message_FromSubthread_Signal(chineseReport(run.report));
    emit convertFinished_Signal();
}

void ThreadObject::itemDone(const ItemResult &result, RunContext &run)
{
    run.report.addItem(result);
    if (observer.itemDone)
        observer.itemDone(result);
}

void ThreadObject::reportWalkProblems(const QVector<Problem> &problems, RunContext &run)
{
    for (const Problem &problem : problems) {
        run.report.addWalkProblem(problem);
        if (observer.walkProblem)
            observer.walkProblem(problem);
    }
}

ItemResult ThreadObject::runItem(const ItemPlan &plan, RunContext &run, MediaReads &media)
{
    emitCurrentFileName(plan.job.outputName);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    qDebug() << "\n" << plan.job.command << " isstarted:" << isStarted << "\n";
    if (plan.lockedElsewhere)
        return plannedItem(plan, ItemResult::Locked);
    if (!plan.lockRefused.isNone())
        return plannedItem(plan, ItemResult::Failed, plan.lockRefused);
    // The gate: while a conversion still runs, nothing else is started.
    if (isStarted)
        return plannedItem(plan, ItemResult::Passed);
    const OutputPlacement::Verdict placement = plan.placement.verdict;
    if (placement == OutputPlacement::NoFreeName)
        return plannedItem(plan, ItemResult::Failed,
                           Problem(Problem::NoFreeName, plan.job.outputFile));
    if (isDryRun)
        return plannedItem(plan,
                           placement == OutputPlacement::FreeName ? ItemResult::WouldConvert
                                                                  : ItemResult::WouldSkip);

    const ConversionResult conversion = placement == OutputPlacement::FreeName
        ? convert(plan.job, run, media)
        : outputAlreadyThere(plan, media);

    pause();

    // Read the choice only now: the user may have changed it while ffmpeg ran. Sources go only
    // under the item's lock, which an item planned while removal was not asked does not hold.
    const SourceVerdict verdict =
        decideSources({ isDeleteSource && !isStopRequested, placement, conversion.outcome,
                        conversion.verification, plan.fallbackName, plan.job.outputFile });
    const SourceFate sources = verdict.kind == SourceVerdict::MayRemove && plan.locked
        ? removeItemSources(plan, run.root, conversion, media)
        : verdict.unremoved();
    return finishedItem(plan, conversion, sources);
}

ConversionResult ThreadObject::convert(const ConversionJob &job, RunContext &run, MediaReads &media)
{
    // An ffmpeg that could not be started for a reason that does not pass is not tried again:
    // the rest of the run's items fail at once, each with the same reason.
    if (!run.ffmpegUnusable.isNone()) {
        ConversionResult failed;
        failed.failure = run.ffmpegUnusable;
        return failed;
    }
    // Should removal be asked for only while ffmpeg runs, the proof reads the sources instead.
    run.conversion.checksumCopies = isDeleteSource;
    FfmpegProcess ffmpeg;
    connect(ffmpeg.process(), SIGNAL(started()), this, SLOT(processstartedSlot()));
    connect(ffmpeg.process(), SIGNAL(finished(int)), this, SLOT(processfinishedSlot(int)));
    const ConversionResult conversion = convertItem(job, run.conversion, ffmpeg, media);
    // Ended or killed, no process of this item runs any more, whatever its signals said: the
    // gate opens for the next item (one left closed would pass over every later item).
    isStarted = false;
    if (conversion.failure.kind == Problem::FfmpegNotFound
        || (conversion.failure.kind == Problem::FfmpegFailedToStart && !ffmpeg.startMayPass()))
        run.ffmpegUnusable = conversion.failure;
    return conversion;
}

SourceFate ThreadObject::removeItemSources(const ItemPlan &plan, const QString &root,
                                           const ConversionResult &conversion, MediaReads &media)
{
    const ConversionJob &job = plan.job;
    // Its header alone cannot tell an output whose data was cut short: the output is read to
    // its last byte before anything goes.
    const Proof proof = proveOutput(job.outputFile, conversion.verification.file,
                                    { job.videoFile, job.audioFile, conversion.copied,
                                      conversion.sumsRead ? &conversion.written : nullptr },
                                    media);
    if (!proof.problem.isNone())
        return provenBy(SourceFate(SourceFate::Kept, proof.problem), proof);
    const SourceRemoval removal = plan.remains.isValid()
        ? finishRemoval(plan.remains, job, root, conversion.verification.file, observer.removing)
        : removeSources(job, root, conversion.verification.file, observer.removing);
    if (removal.began) {
        qDebug() << "\n  remove" << job.videoFile << removal.videoRemoved;
        qDebug() << "\n  remove" << job.audioFile << removal.audioRemoved;
        qDebug() << "\n  this one is Finished! delete" << removal.folderRemoved << " -->"
                 << job.itemFolder;
    }
    return provenBy(removal.fate, proof);
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
