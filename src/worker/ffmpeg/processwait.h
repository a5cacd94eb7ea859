// SPDX-License-Identifier: MIT
#ifndef PROCESSWAIT_H
#define PROCESSWAIT_H

#include <functional>

#include "records/stopcheck.h"

class QProcess;

// Waits for a process being started to have started, in short slices so that a stop is seen
// within stopCheckIntervalMs. Returns false when it is still starting.
bool waitForProcessStart(QProcess &process, int timeoutMs, const StopCheck &stopRequested);

// Waits for a started process to end, in short slices so that a stop is seen within
// stopCheckIntervalMs; a negative timeout waits as long as it runs. onSlice, when given, runs
// after every slice (to read output as it comes). Returns true when the process has ended.
bool waitForProcessEnd(QProcess &process, int timeoutMs, const StopCheck &stopRequested,
                       const std::function<void()> &onSlice = {});

// Waits the time, in short slices so that a stop is seen within stopCheckIntervalMs. False when
// a stop ended the wait.
bool pauseUnlessStopped(int milliseconds, const StopCheck &stopRequested);

// Kills a process that still runs and waits briefly for the system to take it away.
void killProcess(QProcess &process);

#endif // PROCESSWAIT_H
