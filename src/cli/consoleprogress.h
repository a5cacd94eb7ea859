// SPDX-License-Identifier: MIT
#ifndef CONSOLEPROGRESS_H
#define CONSOLEPROGRESS_H

#include <QString>

#include <cstdio>

#include "itemresult.h"

// Prints one line per item as "[3/17] name: outcome", a line per folder that could not be
// read, and the closing summary.
class ConsoleProgress
{
public:
    ConsoleProgress(int total, bool quiet, std::FILE *out = stdout, std::FILE *errors = stderr)
        : total(total),
          quiet(quiet),
          out(out),
          errors(errors)
    { }

    // Called once per item, in the order the items are met.
    void itemDone(const ItemResult &result);
    // Called for each folder the walk could not read.
    void walkProblem(const Problem &problem);
    // The closing line; stopped when the user interrupted the run.
    QString summary(bool dryRun, bool stopped) const;
    // True when anything needs the user's attention, which makes the exit code 1.
    bool needsAttention() const
    {
        return failed + incomplete + keptSources + removalFailed + unreadable > 0;
    }

private:
    void print(const QString &line, bool problem);

    int total;
    bool quiet;
    std::FILE *out;
    std::FILE *errors;
    int seen = 0;
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    int incomplete = 0;
    int keptSources = 0;
    int removalFailed = 0;
    int unreadable = 0;
};

#endif // CONSOLEPROGRESS_H
