// SPDX-License-Identifier: MIT
#ifndef PLAINRENAME_H
#define PLAINRENAME_H

#include <QString>

// Gives a file a new name on the same volume, never over anything that stands at the new name
// (not even a dangling link) and never by copying: the file itself keeps its identity, so
// what was checked of it before still holds of it under its new name. False when the name was
// taken or the system refused.
bool renameWithoutReplacing(const QString &from, const QString &to);

#endif // PLAINRENAME_H
