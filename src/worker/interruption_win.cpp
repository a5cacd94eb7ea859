// SPDX-License-Identifier: MIT
#include "interruption.h"
#include "interruption_p.h"

#include <csignal>

#include <windows.h>

namespace {

// Windows gives a closed console 5 seconds before it ends the program; log-off and shutdown
// give more. This stays within the shortest.
constexpr int handledWaitMs = 4500;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    onInterruption(0);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        for (int waited = 0; waited < handledWaitMs && !interruptionWasHandled(); waited += 50)
            Sleep(50);
    }
    return TRUE; // handled: not the default handler, which would end the program at once
}

} // namespace

void catchInterruptions()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
