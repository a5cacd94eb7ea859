// SPDX-License-Identifier: MIT
#ifndef INTERRUPTION_H
#define INTERRUPTION_H

// Catches Ctrl-C and termination requests so a run can end cleanly instead of dying mid-write.
void catchInterruptions();
// True once Ctrl-C (SIGINT) or SIGTERM has arrived.
bool interruptionRequested();

#endif // INTERRUPTION_H
