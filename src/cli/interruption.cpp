// SPDX-License-Identifier: MIT
#include "interruption.h"

#include <atomic>
#include <csignal>

namespace {

// Only a lock-free atomic store is safe inside a signal handler.
std::atomic<bool> interrupted { false };
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void onInterruption(int)
{
    interrupted.store(true);
}

} // namespace

void catchInterruptions()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
}

bool interruptionRequested()
{
    return interrupted.load();
}
