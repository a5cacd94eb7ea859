// SPDX-License-Identifier: MIT
#ifndef ITEMCONVERSION_H
#define ITEMCONVERSION_H

#include <QStringList>

#include <functional>

#include "conversionjob.h"
#include "ffmpegprogress.h"
#include "itemresult.h"
#include "mediareader.h"
#include "processwait.h"

class QProcess;

// How a run converts its items: with which ffmpeg and options, and who hears of it.
struct ConversionSettings
{
    QString ffmpeg; // found once per run; empty when there is none
    QStringList extraOutputArguments;
    StopCheck stopRequested;
    std::function<void(const ConversionProgress &)> onProgress;
    std::function<void(QProcess *)> watchProcess; // called before the process starts
};

// What one conversion came to.
struct ConversionResult
{
    ItemResult::Outcome outcome = ItemResult::Failed; // Converted, Incomplete or Failed
    Problem failure; // why it failed, or what is short when incomplete
    Problem verification; // the output compared with both sources: none when complete
    bool ffmpegKilled = false; // a stop arrived while it ran
};

// Converts one item: ffmpeg writes to the temporary name, what it wrote must hold a video and
// an audio stream, and only then does it take the job's output name, never over anything that
// appeared there meanwhile. Whatever fails, the temporary file goes and the sources stay.
ConversionResult convertItem(const ConversionJob &job, const ConversionSettings &settings,
                             MediaReads &media);

#endif // ITEMCONVERSION_H
