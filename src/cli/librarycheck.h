// SPDX-License-Identifier: MIT
#ifndef LIBRARYCHECK_H
#define LIBRARYCHECK_H

#include <QString>
#include <QStringList>

#include <array>
#include <cstdio>

#include "item/outputcheck.h"

// What vantoro-cli --check found, as counts.
struct LibraryCheck
{
    std::array<int, OutputCheck::NotVantoros + 1> counts {}; // how many files came to each verdict
    bool stopped = false;

    int count(OutputCheck::Verdict verdict) const { return counts.at(verdict); }
    // True when anything is damaged or cannot be read.
    bool needsAttention() const
    {
        return count(OutputCheck::Damaged) > 0 || count(OutputCheck::Unreadable) > 0;
    }
};

// vantoro-cli --check: finds every .mp4 below the folders (no link followed, nothing hidden),
// checks each one, and prints a line for each of Vantoro's ("[3/17] path: sound") and a closing
// line; while live, the file being read shows in a line of its own that is written over. Changes
// nothing, takes no lock; an interruption ends it within a moment.
LibraryCheck checkLibrary(const QStringList &folders, bool quiet, bool live,
                          std::FILE *out = stdout);

// The closing line: "Sound 10, damaged 1, cannot be checked 1, of 15 .mp4 files; 3 without
// Vantoro's tag left out."
QString checkSummary(const LibraryCheck &check);

#endif // LIBRARYCHECK_H
