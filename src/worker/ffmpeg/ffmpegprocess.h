// SPDX-License-Identifier: MIT
#ifndef FFMPEGPROCESS_H
#define FFMPEGPROCESS_H

#include <QProcess>
#include <QStringList>

#include <functional>

#include "ffmpeg/boundprocess.h"
#include "ffmpeg/ffmpegprogress.h"
#include "records/problem.h"
#include "records/stopcheck.h"

// One ffmpeg child process: started with an argument list, bound to this process's life,
// watched until it ends or a stop arrives, killed when it must be, and what became of it kept
// as data.
class FfmpegProcess
{
public:
    FfmpegProcess();

    // The process itself, for connecting to its signals before it starts.
    QProcess *process() { return &child; }

    // Runs the program to its end, or until a stop is requested (then it is killed).
    // Returns no problem when ffmpeg started and exited with code 0; a failure notes a full
    // disk when ffmpeg said so. onProgress, when given, hears what ffmpeg tells of its progress,
    // a few times a second.
    Problem run(const QString &program, const QStringList &arguments,
                const StopCheck &stopRequested,
                const std::function<void(const ConversionProgress &)> &onProgress = {});

    // True when the last start failed for a reason that may pass (the program file held by
    // another program for a moment), so that a later start may succeed.
    bool startMayPass() const { return child.failedForAMoment(); }

    // True when the process had to be killed because a stop arrived while it ran.
    bool wasKilled() const { return killed; }

    // Keeps what ffmpeg writes on its standard output (a small report it was asked for) instead
    // of dropping it; call before run.
    void keepStandardOutput() { child.setStandardOutputFile(QString()); }
    // What it wrote there, once it has ended.
    QByteArray standardOutput() { return child.readAllStandardOutput(); }

private:
    BoundProcess child;
    FfmpegProgressParser progress;
    bool killed = false;
};

#endif // FFMPEGPROCESS_H
