// SPDX-License-Identifier: MIT
#ifndef FILENAMELIMITS_H
#define FILENAMELIMITS_H

#include <QString>

// The longest output name, in bytes of UTF-8; file systems allow 255, and the temporary
// name used while converting needs a few more.
constexpr int maxFileNameBytes = 240;

// Shortens the part in front of ".mp4" so the whole name fits maxFileNameBytes, cutting only
// between whole characters. Names that fit are returned unchanged.
QString limitFileNameLength(const QString &name);

#endif // FILENAMELIMITS_H
