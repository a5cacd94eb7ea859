// SPDX-License-Identifier: MIT
#include "interruption.h"
#include "interruption_p.h"

#include <csignal>

void catchInterruptions()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
    std::signal(SIGHUP, onInterruption); // a closed terminal, a lost session
    std::signal(SIGQUIT, onInterruption); // Ctrl-backslash
}
