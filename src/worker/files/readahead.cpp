// SPDX-License-Identifier: MIT
#include "files/readahead.h"

namespace {

// Asked for a step at a time, two steps ahead of the reader. The system's own read-ahead of a
// file read in order stops at a few megabytes and waits for the reader to come near.
constexpr qint64 step = 8 << 20;

} // namespace

ReadAhead::ReadAhead(const QString &path) : file(path, PlainFile::ReadOnly) { }

void ReadAhead::reached(qint64 position)
{
    if (!file.isOpen())
        return;
    for (; askedUpTo < position + 2 * step; askedUpTo += step)
        file.adviseReading(askedUpTo, step);
}
