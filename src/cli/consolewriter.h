// SPDX-License-Identifier: MIT
#ifndef CONSOLEWRITER_H
#define CONSOLEWRITER_H

#include <QString>

#include <cstdio>

// Writes text to a standard stream so that every character arrives: straight to a Windows
// console as UTF-16 (its code page would turn Chinese into "?"), elsewhere, and into pipes
// and files, in the local encoding (UTF-8 on every current system).
void writeText(std::FILE *stream, const QString &text);

// True when the stream is a terminal a person watches, not a pipe or a file.
bool isTerminal(std::FILE *stream);

// Columns the text takes at a terminal: East Asian wide characters take two.
int displayWidth(const QString &text);

#endif // CONSOLEWRITER_H
