// SPDX-License-Identifier: MIT
#ifndef READAHEAD_H
#define READAHEAD_H

#include <QString>
#include <QtGlobal>

#include "files/plainfile.h"

// Asks the system to read a file from the disk ahead of its reader: while the reader works on
// what it has, the next megabytes are on their way, so the disk never waits for the reader and a
// file read whole is read at the disk's speed. Only advice: each byte still comes from the disk
// once, into the system's cache, where the reader finds it. Only a plain file is advised of.
class ReadAhead
{
public:
    explicit ReadAhead(const QString &path);

    // The reader has come to this byte of the file: what follows it is asked for.
    void reached(qint64 position);

private:
    PlainFile file;
    qint64 askedUpTo = 0;
};

#endif // READAHEAD_H
