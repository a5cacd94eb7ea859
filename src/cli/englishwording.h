// SPDX-License-Identifier: MIT
#ifndef ENGLISHWORDING_H
#define ENGLISHWORDING_H

#include <QString>

#include "records/itemresult.h"
#include "report/runreport.h"

// What became of one item, in vantoro-cli's words and without its counter: "converted, sources
// removed", … Every word comes from the program's one table of words.
QString englishOutcome(const ItemResult &result);

// The closing line: the counts, what needs attention, and whether the user stopped the run.
// total is how many items the runs counted.
QString englishSummary(const RunReport &report, int total, bool dryRun, bool stopped);

#endif // ENGLISHWORDING_H
