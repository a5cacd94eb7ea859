// SPDX-License-Identifier: MIT
#include "interruption.h"

#include <QtGlobal>

#include <atomic>
#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Only lock-free atomic stores are safe inside a signal handler.
std::atomic<bool> interrupted { false };
std::atomic<bool> handled { false };
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void onInterruption(int)
{
    interrupted.store(true);
}

#ifdef Q_OS_WIN
// Windows gives a closed console 5 seconds before it ends the program; log-off and shutdown
// give more. This stays within the shortest.
constexpr int handledWaitMs = 4500;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    interrupted.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        for (int waited = 0; waited < handledWaitMs && !handled.load(); waited += 50)
            Sleep(50);
    }
    return TRUE; // handled: not the default handler, which would end the program at once
}
#endif

} // namespace

void catchInterruptions()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
#ifdef Q_OS_UNIX
    std::signal(SIGHUP, onInterruption); // a closed terminal, a lost session
    std::signal(SIGQUIT, onInterruption); // Ctrl-backslash
#endif
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#endif
}

bool interruptionRequested()
{
    return interrupted.load();
}

void interruptionHandled()
{
    handled.store(true);
}
