// SPDX-License-Identifier: MIT
#ifndef CONSOLEPROGRESS_H
#define CONSOLEPROGRESS_H

#include <QString>

#include <cstdio>

#include "itemresult.h"

// Prints one line per item as "[3/17] name: outcome", and the closing summary.
class ConsoleProgress
{
public:
    ConsoleProgress(int total, bool quiet, std::FILE *out = stdout, std::FILE *errors = stderr)
        : total(total), quiet(quiet), out(out), errors(errors) { }

    // Called once per item, in the order the items are met.
    void itemDone(const ItemResult &result);
    // The closing line; stopped when the user interrupted the run.
    QString summary(bool dryRun, bool stopped) const;
    bool anyFailed() const { return failed > 0; }

    // The words for one item's outcome, without the counter.
    static QString describe(const ItemResult &result);

private:
    int total;
    bool quiet;
    std::FILE *out;
    std::FILE *errors;
    int seen = 0;
    int converted = 0;
    int skipped = 0;
    int failed = 0;
};

#endif // CONSOLEPROGRESS_H
