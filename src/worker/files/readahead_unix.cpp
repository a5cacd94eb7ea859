// SPDX-License-Identifier: MIT
#include "files/readahead.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Asked for a step at a time, two steps ahead of the reader. The system's own read-ahead of a
// file read in order stops at a few megabytes and waits for the reader to come near.
constexpr qint64 step = 8 << 20;

} // namespace

ReadAhead::ReadAhead(const QString &path)
    : handle(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC))
{ }

ReadAhead::~ReadAhead()
{
    if (handle >= 0)
        ::close(int(handle));
}

void ReadAhead::reached(qint64 position)
{
    if (handle < 0)
        return;
    for (; askedUpTo < position + 2 * step; askedUpTo += step)
        ::posix_fadvise(int(handle), askedUpTo, step, POSIX_FADV_WILLNEED);
}
