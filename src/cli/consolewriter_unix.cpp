// SPDX-License-Identifier: MIT
#include "consolewriter.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>

void writeText(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void preferUtf8Locale()
{
    const char *locale = std::setlocale(LC_ALL, "");
    if (!locale || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        qputenv("LC_ALL", "C.UTF-8");
}

bool isTerminal(std::FILE *stream)
{
    return ::isatty(::fileno(stream)) == 1;
}
