// SPDX-License-Identifier: MIT
// consoleevent PID: presses Ctrl-C in the console of the process PID, as a user does in its
// console window. Windows only. (Wine passes on no other console event: not Ctrl-Break, and
// nothing when a console window closes or the session ends.)
#include <windows.h>

#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    FreeConsole();
    if (!AttachConsole(DWORD(std::strtoul(argv[1], nullptr, 10))))
        return 1;
    // The event goes to every process of that console; this helper only passes it on.
    SetConsoleCtrlHandler(nullptr, TRUE);
    return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) ? 0 : 1;
}
