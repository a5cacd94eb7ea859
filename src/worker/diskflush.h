// SPDX-License-Identifier: MIT
#ifndef DISKFLUSH_H
#define DISKFLUSH_H

#include "itemresult.h"

// Makes sure a finished file is on the disk itself, not only in the system's cache, before
// anything that depends on it happens: its data, and on POSIX systems also the folder entry
// that gives it its name (Windows keeps that in its file system journal). A rename and an
// unlink can reach the disk before the data they follow; after a power cut the sources would be
// gone and the output empty. FlushFailed, with the system's words, when it cannot be done.
Problem flushToDisk(const QString &file);

#endif // DISKFLUSH_H
