// SPDX-License-Identifier: MIT
#ifndef OUTPUTFILE_H
#define OUTPUTFILE_H

#include <QString>

#include "records/problem.h"

// Where an output goes and how it gets there: ffmpeg writes under a temporary name that no
// output can have, and only a checked file is renamed to its final name, never over anything.

// What stands at a path where an output might go.
enum class PathOccupant {
    Nothing, // free
    RegularFile, // a plain file (not a link)
    Foreign, // a link (even a dangling one), a folder, a pipe…: never written through
};
PathOccupant occupantAt(const QString &path);

// The temporary name for an output. Output names hold no blank, so a name with one is free
// of every output, whatever the titles are.
QString temporaryOutputFile(const QString &outputFile);

// The lock a run holds while it writes under an output name, so that no two runs ever write
// the same temporary file: it lies beside that file.
QString lockFileFor(const QString &outputFile);

// The n-th choice of name for an output: the name itself for 1, then "<name>(2).mp4", …
QString numberedOutputFile(const QString &outputFile, int n);

// Gives the checked temporary file its final name, never over anything that stands there and
// never by copying. While another program holds the file (Windows), it waits a few seconds.
// RenameRefused when the name was taken or refused it, OutputHeld when the file stayed held.
Problem commitOutput(const QString &temporaryFile, const QString &outputFile);

#endif // OUTPUTFILE_H
