// SPDX-License-Identifier: MIT
#include "threadobject.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "cachewalk.h"
#include "conversionjob.h"
#include "errortail.h"
#include "ffmpeglocator.h"
#include "mediaverification.h"
#include "runreport.h"
#include "saferemoval.h"

namespace {

// Every item without a readable entry.json gets this name, so it never proves whose output it is.
const QLatin1String fallbackOutputName("destname.mp4");

// Long enough for a slow disk to hand ffmpeg its first bytes, short enough to notice a stop.
constexpr int waitSliceMs = 100;
constexpr int startTimeoutMs = 30000;

QString ffmpegFailure(const QProcess &process, bool stopped, const ErrorTail &errors)
{
    if (stopped)
        return QStringLiteral("已停止");
    if (process.error() == QProcess::FailedToStart)
        return QStringLiteral("无法启动 ffmpeg：%1").arg(process.errorString());
    if (process.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("ffmpeg 崩溃");
    if (process.exitCode() != 0) {
        const QString last = errors.lastLine();
        return last.isEmpty() ? QStringLiteral("ffmpeg 退出码 %1").arg(process.exitCode())
                              : QStringLiteral("ffmpeg 退出码 %1：%2").arg(process.exitCode()).arg(last);
    }
    return QString();
}

bool mayRemoveFolder(const QString &root, const QString &folder)
{
    return isStrictlyInside(root, folder) && !isLinkOrJunction(QFileInfo(folder))
        && !containsMedia(folder);
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
    // Jobs change the current folder, so a relative root must be pinned down first.
    if (QDir::isRelativePath(dirString))
        dirString = QFileInfo(dirString).absoluteFilePath();
    RunContext run(dirString);
    if (!QFileInfo(dirString).isDir()) {
        run.report.setMissingRoot(dirString);
        emit message_FromSubthread_Signal(run.report.text());
        emit convertFinished_Signal();
        return;
    }

    for (CacheWalk walk(dirString); walk.hasNext() && !isStopRequested;) {
        walk.next();
        ConversionJob job = jobForVideoFile(walk.videoFile(), walk.videoFolder());
        job.outputName = getNameFromJson(job.entryJsonFile);
        job.outputFile = job.outputFolder + QLatin1Char('/') + job.outputName;
        emitCurrentFileName(job.outputName);
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        job.command = ffmpegCommandText(job);
        qDebug() << "\n" << job.command << " isstarted:" << isStarted << "\n";
        executeJob(job, run);
    }

    qDebug() << "\n" << "all finished" << "\n";
    if (run.report.hasProblems())
        emit message_FromSubthread_Signal(run.report.text());
    emit convertFinished_Signal();
}

void ThreadObject::executeJob(const ConversionJob &job, RunContext &run)
{
    ItemResult result;
    result.outputName = job.outputName;
    result.outputFile = job.outputFile;
    handleJob(job, run, result);
    if (itemObserver)
        itemObserver(result);
}

void ThreadObject::handleJob(const ConversionJob &job, RunContext &run, ItemResult &result)
{
    if (isStarted) {
        result.outcome = ItemResult::Passed;
        return;
    }

    const bool outputExisted = QFileInfo::exists(job.outputFile);
    if (isDryRun) {
        result.outcome = outputExisted ? ItemResult::WouldSkip : ItemResult::WouldConvert;
        return;
    }
    if (outputExisted) {
        result.outcome = ItemResult::Skipped;
        run.report.addSkipped();
    } else {
        result.reason = convertWithFfmpeg(job);
        if (result.reason.isEmpty()) {
            result.outcome = ItemResult::Converted;
            run.writtenOutputs.insert(job.outputFile);
            run.report.addConverted();
        } else {
            result.outcome = ItemResult::Failed;
            run.report.addFailure(job.outputName, result.reason);
        }
    }

    pause();

    // Read the choice only now: the user may have changed it while ffmpeg ran.
    if (isStopRequested || !isDeleteSource || !QFileInfo::exists(job.outputFile))
        return;
    if (result.outcome == ItemResult::Failed)
        return; // the failure is reported already
    result.keptSources = reasonToKeepSources(job, run, result.outcome == ItemResult::Converted);
    if (!result.keptSources.isEmpty()) {
        run.report.addKeptSources(job.outputName, result.keptSources);
        return;
    }
    result.sourcesRemoved = removeSources(job, run.root);
}

QString ThreadObject::convertWithFfmpeg(const ConversionJob &job)
{
    const QString program = resolvedFfmpeg();
    if (program.isEmpty())
        return QStringLiteral("未找到 ffmpeg");

    QProcess process;
    connect(&process, SIGNAL(started()), this, SLOT(processstartedSlot()));
    connect(&process, SIGNAL(finished(int)), this, SLOT(processfinishedSlot(int)));

    // ffmpeg writes under a temporary name, so an interrupted conversion never looks finished.
    // A leftover from an earlier crash would make ffmpeg ask before overwriting it.
    const QString partial = partialOutputFile(job);
    QFile::remove(partial);
    // From the null device ffmpeg can neither wait for an answer nor read a stray "q".
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, ffmpegArguments(job, partial, extraOutputArguments), QIODevice::ReadWrite);
    process.waitForStarted(startTimeoutMs);

    ErrorTail errors;
    while (process.state() != QProcess::NotRunning && !isStopRequested) {
        process.waitForFinished(waitSliceMs);
        errors.append(process.readAllStandardError());
    }
    const bool stopped = process.state() != QProcess::NotRunning;
    if (stopped) {
        qDebug() << "\n  finished but still runing,kill it";
        process.kill();
        process.waitForFinished(startTimeoutMs);
        isStarted = false;
    }
    errors.append(process.readAllStandardError());

    QString failure = ffmpegFailure(process, stopped, errors);
    if (failure.isEmpty() && !QFileInfo::exists(partial))
        failure = QStringLiteral("ffmpeg 没有生成输出文件");
    if (failure.isEmpty() && !QFile::rename(partial, job.outputFile))
        failure = QStringLiteral("无法把临时文件改名为 %1").arg(job.outputName);
    if (!failure.isEmpty())
        QFile::remove(partial);
    return failure;
}

QString ThreadObject::reasonToKeepSources(const ConversionJob &job, const RunContext &run,
                                          bool convertedByThisJob) const
{
    // Every item without a readable entry.json shares the fallback name, and the walk is lazy:
    // a later item may still turn out to claim the same file. Such sources always stay.
    if (job.outputName == fallbackOutputName)
        return QStringLiteral("无法读取 entry.json，输出使用了共用的默认名");
    if (!convertedByThisJob && run.writtenOutputs.contains(job.outputFile))
        return QStringLiteral("输出文件是本次另一项生成的");
    return verifyConversion(locateFfprobe(resolvedFfmpeg()), job.outputFile, job.videoFile,
                            job.audioFile);
}

bool ThreadObject::removeSources(const ConversionJob &job, const QString &root)
{
    const bool videoRemoved = QFile::remove(job.videoFile);
    qDebug() << "\n  remove" << job.videoFile << videoRemoved;
    const bool audioRemoved = QFile::remove(job.audioFile);
    qDebug() << "\n  remove" << job.audioFile << audioRemoved;

    // Only folders strictly inside the chosen one, and never one that still holds a stream or
    // video of anything else; the item folder when it can, else at least this stream's folder.
    bool folderRemoved = false;
    if (mayRemoveFolder(root, job.itemFolder))
        folderRemoved = removeFolderTree(job.itemFolder);
    else if (mayRemoveFolder(root, job.videoFolder))
        folderRemoved = removeFolderTree(job.videoFolder);
    if (isStrictlyInside(root, job.itemFolder))
        QDir(job.itemFolder).mkdir(QStringLiteral("remove1111"));
    qDebug() << "\n  this one is Finished! delete" << folderRemoved << " -->" << job.itemFolder;
    return videoRemoved && audioRemoved;
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
