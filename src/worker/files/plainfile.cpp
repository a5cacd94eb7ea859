// SPDX-License-Identifier: MIT
#include "files/plainfile.h"

FileIdentity identityOf(const QString &path)
{
    return PlainFile(path, PlainFile::ReadOnly).identity();
}
