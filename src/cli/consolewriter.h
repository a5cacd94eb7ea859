// SPDX-License-Identifier: MIT
#ifndef CONSOLEWRITER_H
#define CONSOLEWRITER_H

#include <QString>

#include <cstdio>

// Writes text to a standard stream so that every character arrives: straight to a Windows
// console as UTF-16 (its code page would turn Chinese into "?"), elsewhere, and into pipes
// and files, in the local encoding (UTF-8 on every current system).
void writeText(std::FILE *stream, const QString &text);

// Qt 6 wants a UTF-8 locale and, given another (LANG unset on a minimal system), takes one
// itself with a warning on the console. Called before the application object exists, this takes
// C.UTF-8 quietly where the user's locale is not UTF-8.
void preferUtf8Locale();

// True when the stream is a terminal a person watches, not a pipe or a file.
bool isTerminal(std::FILE *stream);

// Columns the text takes at a terminal: East Asian wide characters take two.
int displayWidth(const QString &text);

#endif // CONSOLEWRITER_H
