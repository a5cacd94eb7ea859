// SPDX-License-Identifier: MIT
#include "consolewriter.h"

#include <io.h>
#include <windows.h>

namespace {

HANDLE consoleOf(std::FILE *stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

void writeText(std::FILE *stream, const QString &text)
{
    if (const HANDLE console = consoleOf(stream)) {
        std::fflush(stream);
        DWORD written = 0;
        WriteConsoleW(console, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()),
                      &written, nullptr);
        return;
    }
    // Pipes and files get UTF-8, which is what scripts on Windows read best too.
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void preferUtf8Locale()
{
    // Qt 6 asks for a UTF-8 locale on POSIX systems only.
}

bool isTerminal(std::FILE *stream)
{
    return consoleOf(stream) != nullptr;
}
