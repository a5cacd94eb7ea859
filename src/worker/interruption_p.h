// SPDX-License-Identifier: MIT
#ifndef INTERRUPTION_P_H
#define INTERRUPTION_P_H

// What the platforms' halves of the interruption share. The handler of the signals that ask
// the program to end, and the flag of a run that ended cleanly: both use lock-free atomic
// operations only, as signal handlers may.
extern "C" void onInterruption(int);
bool interruptionWasHandled();

#endif // INTERRUPTION_P_H
