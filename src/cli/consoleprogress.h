// SPDX-License-Identifier: MIT
#ifndef CONSOLEPROGRESS_H
#define CONSOLEPROGRESS_H

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

#include "ffmpeg/ffmpegprogress.h"
#include "records/itemresult.h"

// Prints one line per item as "[3/17] name: outcome" and a line per folder that could not be
// read; it counts nothing but the lines it has printed. When live, the line of the item being
// converted shows its progress and updates in place.
class ConsoleProgress
{
public:
    ConsoleProgress(int total, bool quiet, bool live = false, std::FILE *out = stdout,
                    std::FILE *errors = stderr)
        : itemCount(total),
          quiet(quiet),
          live(live && !quiet),
          out(out),
          errors(errors)
    { }

    // Called when a run has found its items: counted is what the count before the runs found in
    // that folder, found what the run found when it started, and the total follows it.
    void runStarted(int counted, int found);
    // Called when an item's conversion is about to start, with its output name.
    void itemStarted(const QString &name);
    // Called while ffmpeg converts; updates the live line a few times a second at most.
    void itemProgress(const ConversionProgress &progress);
    // Called once per item, in the order the items are met.
    void itemDone(const ItemResult &result);
    // Called for each folder the walk could not read.
    void walkProblem(const Problem &problem);
    // Prints the closing line (problem: on the error channel when quiet).
    void finish(const QString &summary, bool problem);
    // How many items the runs have, as far as is known now.
    int total() const { return itemCount; }

    // The words of a live line: "42% at 1.8×, about 1 min left"; runSecondsLeft below zero
    // leaves the run's remaining time out.
    static QString describeProgress(const ConversionProgress &progress, double runSecondsLeft);
    // "40 s", "2 min", "1 h 5 min".
    static QString describeDuration(double seconds);

private:
    void print(const QString &line, bool problem);
    void clearLiveLine();
    double runSecondsLeft(const ConversionProgress &progress) const;

    int itemCount;
    bool quiet;
    bool live;
    std::FILE *out;
    std::FILE *errors;
    int shown = 0; // item lines printed

    QString currentName;
    ConversionProgress currentProgress;
    QElapsedTimer sinceLiveLine;
    int liveWidth = 0;
    double mediaSecondsSeen = 0; // durations of the items converted so far
    int itemsWithDuration = 0;
};

#endif // CONSOLEPROGRESS_H
