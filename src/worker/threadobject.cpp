// SPDX-License-Identifier: MIT
// The run loop, and the decisions it makes for each item: where its output goes, whether to
// convert, and whether its sources may go.
#include "threadobject.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

#include "cachewalk.h"
#include "conversionjob.h"
#include "ffmpeglocator.h"
#include "ffmpegprocess.h"
#include "mediaverification.h"
#include "outputfile.h"
#include "outputnaming.h"
#include "reportwording.h"
#include "runreport.h"
#include "saferemoval.h"
#include "sourcetag.h"

namespace {

// "<name>(2).mp4" and on: far more than any folder of downloads will ever need.
constexpr int maxNameChoices = 1000;

bool mayRemoveFolder(const QString &root, const QString &folder)
{
    return isStrictlyInside(root, folder) && !isLinkOrJunction(QFileInfo(folder))
        && !containsMedia(folder);
}

// A stream the run may hand to ffmpeg and later remove: a plain file, not a link or a pipe.
bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

// Less free space than this beside a damaged output makes a full disk its likely cause.
bool diskNearlyFull(const ConversionJob &job)
{
    const qint64 sources = QFileInfo(job.videoFile).size() + QFileInfo(job.audioFile).size();
    const qint64 available = QStorageInfo(job.outputFolder).bytesAvailable();
    return available >= 0 && available < qMax<qint64>(sources, 64 * 1024 * 1024);
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

void ThreadObject::setDeleteSource(bool deleteSource)
{
    isDeleteSource = deleteSource;
}

void ThreadObject::emitCurrentFileName(const QString &name)
{
    if (!name.isEmpty())
        emit currentFileName_Signal(name);
}

void ThreadObject::setFfmpegProgram(const QString &program)
{
    explicitFfmpeg = program;
}

void ThreadObject::setExtraOutputArguments(const QStringList &arguments)
{
    extraOutputArguments = arguments;
}

void ThreadObject::setPauseInterval(int milliseconds)
{
    pauseInterval = milliseconds;
}

void ThreadObject::setDryRun(bool dryRun)
{
    isDryRun = dryRun;
}

void ThreadObject::setItemObserver(std::function<void(const ItemResult &)> observer)
{
    itemObserver = std::move(observer);
}

void ThreadObject::setProgressObserver(std::function<void(const ConversionProgress &)> observer)
{
    progressObserver = std::move(observer);
}

void ThreadObject::setWalkProblemObserver(std::function<void(const Problem &)> observer)
{
    walkProblemObserver = std::move(observer);
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
    RunContext run(dirString);
    if (!QFileInfo(dirString).isDir()) {
        reportWalkProblems({ Problem(Problem::RootUnreadable, dirString) }, run);
        emit message_FromSubthread_Signal(chineseReport(run.report));
        emit convertFinished_Signal();
        return;
    }

    CacheWalk walk(dirString);
    while (walk.hasNext() && !isStopRequested) {
        walk.next();
        reportWalkProblems(walk.takeProblems(), run);
        ConversionJob job = jobForVideoFile(walk.videoFile(), walk.videoFolder());
        ItemResult result;
        job.outputName = nameForEntry(job.entryJsonFile, &result.nameNote);
        job.outputFile = job.outputFolder + QLatin1Char('/') + job.outputName;
        placeOutput(job, run, result);
        emitCurrentFileName(QFileInfo(job.outputFile).fileName());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        job.command = ffmpegCommandText(job);
        qDebug() << "\n" << job.command << " isstarted:" << isStarted << "\n";
        executeJob(job, run, result);
        run.report.addItem(result);
        if (itemObserver)
            itemObserver(result);
    }
    reportWalkProblems(walk.takeProblems(), run);

    qDebug() << "\n"
             << "all finished"
             << "\n";
    if (run.report.hasProblems())
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

// Finds the name the item's output has or will have. A name taken by another item's video,
// or by anything that is not a plain file, passes to the next free "<name>(n).mp4"; an
// output this item made before is skipped; one whose origin is unknown is left alone.
void ThreadObject::placeOutput(ConversionJob &job, const RunContext &run, ItemResult &result)
{
    job.sourceTag = sourceTag(job.itemFolder, job.videoFolder, job.videoFile, job.audioFile);
    const QString ownItem = taggedItemName(job.sourceTag);
    const QString wanted = job.outputFile;
    result.outcome = ItemResult::WouldConvert;
    for (int n = 1; n <= maxNameChoices; ++n) {
        job.outputFile = numberedOutputFile(wanted, n);
        const PathOccupant occupant = occupantAt(job.outputFile);
        if (occupant == PathOccupant::Nothing)
            return;
        if (occupant == PathOccupant::Foreign)
            continue;
        QString tag = run.writtenOutputs.value(job.outputFile);
        if (tag.isEmpty()) {
            MediaDurations existing;
            probeMedia(resolvedFfprobe(), job.outputFile, &existing,
                       [this] { return stopRequested(); });
            tag = existing.tag;
        }
        if (!tag.isEmpty() && tag == job.sourceTag) {
            result.outcome = ItemResult::WouldSkip;
            return;
        }
        const QString taggedItem = taggedItemName(tag);
        if (taggedItem.isEmpty() || taggedItem == ownItem) {
            // Another video of this same item, or a file whose origin nobody can tell.
            result.outcome = ItemResult::WouldSkip;
            result.keptSources = Problem(taggedItem.isEmpty() ? Problem::OutputUntagged
                                                              : Problem::OutputOfAnotherItem,
                                         job.outputFile);
            return;
        }
    }
    result.outcome = ItemResult::Failed;
    result.failure = Problem(Problem::RenameFailed, wanted);
}

void ThreadObject::executeJob(const ConversionJob &job, RunContext &run, ItemResult &result)
{
    result.outputName = QFileInfo(job.outputFile).fileName();
    result.outputFile = job.outputFile;
    if (isStarted || isDryRun)
        result.keptSources = Problem();
    if (isStarted) {
        result.outcome = ItemResult::Passed;
        return;
    }
    if (isDryRun || result.outcome == ItemResult::Failed)
        return;

    Problem verification;
    if (result.outcome == ItemResult::WouldSkip) {
        result.outcome = ItemResult::Skipped;
    } else {
        convert(job, result, &verification);
        if (result.outcome == ItemResult::Converted || result.outcome == ItemResult::Incomplete)
            run.writtenOutputs.insert(job.outputFile, job.sourceTag);
    }

    pause();

    // Read the choice only now: the user may have changed it while ffmpeg ran.
    const bool removalAsked = isDeleteSource && !isStopRequested;
    if (!removalAsked
        || (result.outcome != ItemResult::Converted && result.outcome != ItemResult::Skipped)) {
        result.keptSources = Problem();
        return;
    }
    if (result.keptSources.isNone())
        result.keptSources = reasonToKeepSources(job, result, verification);
    if (result.keptSources.isNone())
        removeSources(job, run.root, result);
}

// Runs ffmpeg into the temporary file, checks what it wrote, and only then gives it its name.
void ThreadObject::convert(const ConversionJob &job, ItemResult &result, Problem *verification)
{
    result.outcome = ItemResult::Failed;
    for (const QString &stream : { job.videoFile, job.audioFile }) {
        if (QFileInfo(stream).isSymLink() || (QFileInfo::exists(stream) && !isPlainFile(stream))) {
            result.failure = Problem(Problem::StreamNotRegular, stream);
            return;
        }
    }
    const QString temporary = temporaryOutputFile(job.outputFile);
    // Only a leftover of this very item can stand under its temporary name.
    QFile::remove(temporary);
    if (occupantAt(temporary) != PathOccupant::Nothing) {
        result.failure = Problem(Problem::RenameFailed, temporary);
        return;
    }

    FfmpegProcess ffmpeg;
    connect(ffmpeg.process(), SIGNAL(started()), this, SLOT(processstartedSlot()));
    connect(ffmpeg.process(), SIGNAL(finished(int)), this, SLOT(processfinishedSlot(int)));
    const QStringList tag { QStringLiteral("-metadata"),
                            sourceTagKey() + QLatin1Char('=') + job.sourceTag };
    result.failure = ffmpeg.run(
        resolvedFfmpeg(), ffmpegArguments(job, temporary, extraOutputArguments + tag),
        [this] { return stopRequested(); }, progressObserver);
    if (ffmpeg.wasKilled())
        isStarted = false;
    if (result.failure.isNone() && occupantAt(temporary) != PathOccupant::RegularFile)
        result.failure = Problem(Problem::NoOutput);

    // ffmpeg may exit with 0 after failing to finish the file (a full disk does that): what it
    // wrote must show both streams before it takes a final name.
    MediaDurations written;
    if (result.failure.isNone()) {
        const Problem probed =
            probeMedia(resolvedFfprobe(), temporary, &written, [this] { return stopRequested(); });
        if (probed.kind == Problem::ProbeFailed
            || (probed.isNone() && (!written.hasVideo || !written.hasAudio))) {
            result.failure = Problem(Problem::OutputDamaged, job.outputFile);
            result.failure.lowDiskSpace = diskNearlyFull(job);
        } else if (probed.kind == Problem::Stopped) {
            result.failure = probed;
        } else if (probed.isNone()) {
            // ffmpeg said how long it found both sources: ffprobe need not read them again.
            *verification = compareWithSources(
                resolvedFfprobe(), written, job.videoFile, job.audioFile,
                [this] { return stopRequested(); }, ffmpeg.inputDuration(0),
                ffmpeg.inputDuration(1));
        } else {
            *verification = probed; // no ffprobe: kept, but never trusted with the sources
        }
    }
    if (result.failure.isNone() && !commitOutput(temporary, job.outputFile))
        result.failure = Problem(Problem::RenameFailed, job.outputFile);
    if (!result.failure.isNone()) {
        QFile::remove(temporary);
        return;
    }
    if (verification->kind == Problem::DurationShort) {
        // All there is of that video: kept under its name, and its sources with it.
        result.outcome = ItemResult::Incomplete;
        result.failure = *verification;
        return;
    }
    result.outcome = ItemResult::Converted;
}

Problem ThreadObject::reasonToKeepSources(const ConversionJob &job, const ItemResult &result,
                                          const Problem &verification) const
{
    // Every item without a readable entry.json shares the fallback name, and the walk is lazy:
    // a later item may still turn out to claim the same file. Such sources always stay.
    if (job.outputName == fallbackOutputName)
        return Problem(Problem::FallbackName, job.outputFile);
    if (result.outcome == ItemResult::Converted)
        return verification;
    return verifyConversion(resolvedFfprobe(), job.outputFile, job.sourceTag, job.videoFile,
                            job.audioFile, [this] { return stopRequested(); });
}

void ThreadObject::removeSources(const ConversionJob &job, const QString &root, ItemResult &result)
{
    // Checked again just before: a folder on the way may have become a link since the walk.
    const QString link = linkOnTheWay(root, job.videoFile);
    if (!link.isEmpty()) {
        result.keptSources = Problem(Problem::LinkOnTheWay, link);
        return;
    }
    const bool videoRemoved = removeFile(job.videoFile);
    qDebug() << "\n  remove" << job.videoFile << videoRemoved;
    const bool audioRemoved = removeFile(job.audioFile);
    qDebug() << "\n  remove" << job.audioFile << audioRemoved;

    // Only folders strictly inside the chosen one, and never one that still holds a stream or
    // video of anything else; the item folder when it can, else at least this stream's folder.
    bool folderRemoved = false;
    QString folder;
    if (mayRemoveFolder(root, job.itemFolder))
        folder = job.itemFolder;
    else if (mayRemoveFolder(root, job.videoFolder))
        folder = job.videoFolder;
    if (!folder.isEmpty())
        folderRemoved = removeFolderTree(folder);
    if (isStrictlyInside(root, job.itemFolder))
        QDir(job.itemFolder).mkdir(QStringLiteral("remove1111"));
    qDebug() << "\n  this one is Finished! delete" << folderRemoved << " -->" << job.itemFolder;

    result.sourcesRemoved = videoRemoved && audioRemoved;
    if (!videoRemoved)
        result.removal = Problem(Problem::RemovalFailed, job.videoFile);
    else if (!audioRemoved)
        result.removal = Problem(Problem::RemovalFailed, job.audioFile);
    else if (!folder.isEmpty() && !folderRemoved)
        result.removal = Problem(Problem::RemovalFailed, folder);
}

void ThreadObject::pause()
{
    if (pauseInterval <= 0 || isStopRequested)
        return;
    // Queued requests, a further run among them, are delivered here.
    QEventLoop loop;
    QTimer::singleShot(pauseInterval, &loop, &QEventLoop::quit);
    loop.exec();
}

QString ThreadObject::resolvedFfmpeg() const
{
    return explicitFfmpeg.isEmpty() ? locateFfmpeg(QCoreApplication::applicationDirPath())
                                    : explicitFfmpeg;
}

QString ThreadObject::resolvedFfprobe() const
{
    return locateFfprobe(resolvedFfmpeg());
}
