// SPDX-License-Identifier: MIT
#ifndef RUNCONTEXT_H
#define RUNCONTEXT_H

#include <QString>

#include "item/itemconversion.h"
#include "report/runreport.h"

// What one run settles when it starts and keeps while it walks.
struct RunContext
{
    QString root; // the chosen folder, absolute
    ConversionSettings conversion; // the ffmpeg is found once, when the run starts
    RunReport report;
    // Why ffmpeg cannot be started at all, once a start failed for a reason that does not pass.
    Problem ffmpegUnusable;
};

#endif // RUNCONTEXT_H
