// SPDX-License-Identifier: MIT
#ifndef CONSOLEPROGRESS_H
#define CONSOLEPROGRESS_H

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

#include "ffmpegprogress.h"
#include "itemresult.h"
#include "runreport.h"

// Prints one line per item as "[3/17] name: outcome", a line per folder that could not be
// read, and the closing summary. When live, the line of the item being converted shows its
// progress and updates in place.
class ConsoleProgress
{
public:
    ConsoleProgress(int total, bool quiet, bool live = false, std::FILE *out = stdout,
                    std::FILE *errors = stderr)
        : total(total),
          quiet(quiet),
          live(live && !quiet),
          out(out),
          errors(errors)
    { }

    // Called when an item's conversion is about to start, with its output name.
    void itemStarted(const QString &name);
    // Called while ffmpeg converts; updates the live line a few times a second at most.
    void itemProgress(const ConversionProgress &progress);
    // Called once per item, in the order the items are met.
    void itemDone(const ItemResult &result);
    // Called for each folder the walk could not read.
    void walkProblem(const Problem &problem);
    // The closing line; stopped when the user interrupted the run.
    QString summary(bool dryRun, bool stopped) const;
    // Everything the runs came to, counted once.
    const RunReport &report() const { return tally; }

    // The words of a live line: "42% at 1.8×, about 1 min left"; runSecondsLeft below zero
    // leaves the run's remaining time out.
    static QString describeProgress(const ConversionProgress &progress, double runSecondsLeft);
    // "40 s", "2 min", "1 h 5 min".
    static QString describeDuration(double seconds);

private:
    void print(const QString &line, bool problem);
    void clearLiveLine();
    double runSecondsLeft(const ConversionProgress &progress) const;

    int total;
    bool quiet;
    bool live;
    std::FILE *out;
    std::FILE *errors;
    RunReport tally;

    QString currentName;
    ConversionProgress currentProgress;
    QElapsedTimer sinceLiveLine;
    int liveWidth = 0;
    double mediaSecondsSeen = 0; // durations of the items converted so far
    int itemsWithDuration = 0;
};

#endif // CONSOLEPROGRESS_H
