// SPDX-License-Identifier: MIT
#include "ffmpeg/ffmpegprocess.h"

#include <QDebug>

#include "ffmpeg/errortail.h"
#include "ffmpeg/processwait.h"

namespace {

// Long enough for a slow disk to hand ffmpeg its first bytes.
constexpr int startTimeoutMs = 30000;
constexpr int startAttempts = 3;
constexpr int startRetryMs = 1000;

} // namespace

FfmpegProcess::FfmpegProcess()
{
    // From the null device ffmpeg can neither wait for an answer nor read a stray "q".
    child.setStandardInputFile(QProcess::nullDevice());
    child.setStandardOutputFile(QProcess::nullDevice());
}

Problem FfmpegProcess::run(const QString &program, const QStringList &arguments,
                           const StopCheck &stopRequested,
                           const std::function<void(const ConversionProgress &)> &onProgress)
{
    if (program.isEmpty())
        return Problem(Problem::FfmpegNotFound);

    // A start can fail for a moment (a virus scanner that has the program open on Windows, a
    // copy of ffmpeg still being written): only such a failure is tried again.
    for (int attempt = 1;; ++attempt) {
        child.startBound(program, arguments, QIODevice::ReadWrite);
        waitForProcessStart(child, startTimeoutMs, stopRequested);
        if (attempt == startAttempts || !startMayPass()
            || !pauseUnlessStopped(startRetryMs, stopRequested))
            break;
    }

    // Only the end of what ffmpeg says is kept: a long conversion cannot grow memory.
    ErrorTail errors;
    const auto listen = [&] {
        const QByteArray said = child.readAllStandardError();
        if (said.isEmpty())
            return;
        errors.append(said);
        progress.feed(said);
        if (onProgress)
            onProgress(progress.progress());
    };
    waitForProcessEnd(child, -1, stopRequested, listen);
    if (child.state() != QProcess::NotRunning) {
        qDebug() << "\n  finished but still runing,kill it";
        killProcess(child);
        killed = true;
        return Problem(Problem::Stopped);
    }
    listen();

    if (child.error() == QProcess::FailedToStart) {
        Problem failed(Problem::FfmpegFailedToStart, program);
        failed.detail = child.errorString();
        return failed;
    }
    Problem ended;
    if (child.exitStatus() == QProcess::CrashExit) {
        ended.kind = Problem::FfmpegCrashed;
    } else if (child.exitCode() != 0) {
        ended.kind = Problem::FfmpegExited;
        ended.exitCode = child.exitCode();
        ended.detail = errors.lastLine();
    }
    // Its own words for a full disk, whichever line they stand in ("Error writing trailer of
    // …: No space left on device"); the last line is often only "Conversion failed!".
    ended.diskNearlyFull = !ended.isNone() && errors.contains("No space left on device");
    return ended;
}
