// SPDX-License-Identifier: MIT
#ifndef DISKFLUSH_H
#define DISKFLUSH_H

#include "files/plainfile.h"
#include "records/problem.h"

// Makes sure a finished output is on the disk itself, not only in the system's cache, before
// anything that depends on it happens: its data, and on POSIX systems also the folder entry
// that gives it its name (Windows keeps that in its file system journal). A rename and an
// unlink can reach the disk before the data they follow; after a power cut the sources would be
// gone and the output empty. The file flushed must still be the very one that was checked
// (verified): anything else at its name (a link, a pipe, another file) is OutputChanged.
// FlushFailed, with the system's words, when it cannot be done.
Problem flushToDisk(const QString &file, const FileIdentity &verified);

#endif // DISKFLUSH_H
