// SPDX-License-Identifier: MIT
#include "interruption.h"
#include "interruption_p.h"

#include <atomic>

namespace {

// Only lock-free atomic stores are safe inside a signal handler.
std::atomic<bool> interrupted { false };
std::atomic<bool> handled { false };
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

} // namespace

extern "C" void onInterruption(int)
{
    interrupted.store(true);
}

bool interruptionWasHandled()
{
    return handled.load();
}

bool interruptionRequested()
{
    return interrupted.load();
}

void interruptionHandled()
{
    handled.store(true);
}
