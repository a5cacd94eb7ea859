// SPDX-License-Identifier: MIT
#ifndef OUTPUTCHECK_H
#define OUTPUTCHECK_H

#include <QString>

#include "records/problem.h"
#include "records/stopcheck.h"

// What an output came to when it was checked on its own, without its sources (a library copied
// to another disk, a phone, a NAS).
struct OutputCheck
{
    enum Verdict {
        Sound, // every packet there, whole, and those recorded when it was made
        Damaged, // problem tells which stream, and from where
        NoChecksums, // Vantoro's, but made by a version that recorded none
        Unreadable, // problem tells why it cannot be read
        NotVantoros, // no tag of Vantoro's: left out
    };
    Verdict verdict = Unreadable;
    Problem problem;
};

// Checks an .mp4 as vantoro-cli --check does: an output with Vantoro's tag and the checksums it
// recorded must hold every packet its index names, whole, each stream to the length its header
// gives, and the very packets recorded. Changes nothing and takes no lock; a stop ends it within
// a moment (problem Stopped, verdict Unreadable).
OutputCheck checkOutput(const QString &path, const StopCheck &stopRequested);

#endif // OUTPUTCHECK_H
