// SPDX-License-Identifier: MIT
#ifndef INTERRUPTION_P_H
#define INTERRUPTION_P_H

// What the platforms' halves of the interruption share: the two flags, set and read with
// lock-free atomic operations only, as signal handlers may use.
void noteInterruption();
bool interruptionWasHandled();

#endif // INTERRUPTION_P_H
