// SPDX-License-Identifier: MIT
#include "files/plainrename.h"

#include <QDir>

bool renameWithoutReplacing(const QString &from, const QString &to)
{
    // MoveFileEx without MOVEFILE_REPLACE_EXISTING and without MOVEFILE_COPY_ALLOWED: never over
    // anything at the name, and never a copy, on every file system Windows writes to.
    return QDir().rename(from, to);
}
