// SPDX-License-Identifier: MIT
#ifndef INTERRUPTION_H
#define INTERRUPTION_H

// The requests to end that come from outside the program, caught so that a run ends cleanly
// (ffmpeg ended, its temporary file and lock removed, sources untouched) instead of dying
// mid-write: Ctrl-C, a termination request, a closed terminal (hang-up) and Ctrl-\ on POSIX
// systems; Ctrl-C, Ctrl-Break, a closed console window, logging off and shutting down on Windows.
void catchInterruptions();
// True once such a request has arrived.
bool interruptionRequested();
// Says the run has ended cleanly. Windows ends a program as soon as its handler of a closed
// console, a log-off or a shutdown returns, so that handler waits for this (a few seconds at
// most, within what Windows allows).
void interruptionHandled();

#endif // INTERRUPTION_H
