// SPDX-License-Identifier: MIT
#include "consolewriter.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
HANDLE consoleOf(std::FILE *stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}
#endif

} // namespace

void writeText(std::FILE *stream, const QString &text)
{
#ifdef Q_OS_WIN
    if (const HANDLE console = consoleOf(stream)) {
        std::fflush(stream);
        DWORD written = 0;
        WriteConsoleW(console, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()),
                      &written, nullptr);
        return;
    }
    // Pipes and files get UTF-8, which is what scripts on Windows read best too.
    std::fputs(text.toUtf8().constData(), stream);
#else
    std::fputs(text.toLocal8Bit().constData(), stream);
#endif
    std::fflush(stream);
}

void preferUtf8Locale()
{
#ifndef Q_OS_WIN
    const char *locale = std::setlocale(LC_ALL, "");
    if (!locale || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        qputenv("LC_ALL", "C.UTF-8");
#endif
}

bool isTerminal(std::FILE *stream)
{
#ifdef Q_OS_WIN
    return consoleOf(stream) != nullptr;
#else
    return ::isatty(::fileno(stream)) == 1;
#endif
}

int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115f) || (u >= 0x2e80 && u <= 0xa4cf)
            || (u >= 0xac00 && u <= 0xd7a3) || (u >= 0xf900 && u <= 0xfaff)
            || (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60)
            || (u >= 0xffe0 && u <= 0xffe6);
        width += wide ? 2 : 1;
    }
    return width;
}
