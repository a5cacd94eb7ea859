// SPDX-License-Identifier: MIT
#include "files/readahead.h"

// Windows' cache manager reads ahead of a reader that reads a file in order by itself.
ReadAhead::ReadAhead(const QString &path)
{
    Q_UNUSED(path);
}

ReadAhead::~ReadAhead() = default;

void ReadAhead::reached(qint64 position)
{
    Q_UNUSED(position);
}
