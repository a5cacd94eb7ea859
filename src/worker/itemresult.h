// SPDX-License-Identifier: MIT
#ifndef ITEMRESULT_H
#define ITEMRESULT_H

#include <QString>

// How one item of a run ended, for callers that report item by item.
struct ItemResult
{
    enum Outcome {
        Converted,    // ffmpeg produced the output
        Skipped,      // the output was there already
        Failed,       // see reason
        WouldConvert, // dry run: the output is missing
        WouldSkip,    // dry run: the output is there
        Passed,       // another conversion was still running, the item was left alone
    };

    QString outputName;
    QString outputFile;
    Outcome outcome = Failed;
    QString reason;          // why it failed
    bool sourcesRemoved = false;
    QString keptSources;     // why the sources stayed although their removal was asked for
};

#endif // ITEMRESULT_H
