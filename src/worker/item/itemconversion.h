// SPDX-License-Identifier: MIT
#ifndef ITEMCONVERSION_H
#define ITEMCONVERSION_H

#include <QStringList>

#include <functional>

#include "ffmpeg/ffmpegprogress.h"
#include "ffmpeg/streamhash.h"
#include "item/itemplan.h"
#include "media/mediapackets.h"
#include "media/mediareader.h"
#include "media/mediaverification.h"
#include "records/conversionjob.h"
#include "records/itemresult.h"
#include "records/stopcheck.h"

class FfmpegProcess;

// How a run converts its items: with which ffmpeg and options, and who hears of the progress.
struct ConversionSettings
{
    QString ffmpeg; // found once per run; empty when there is none
    QStringList extraOutputArguments;
    // The streams are copied as they are (extraOutputArguments say so to ffmpeg): the output is
    // tagged as a copy.
    bool copyStreams = false;
    // With copyStreams: ffmpeg also tells the checksums of what it copies, for the proof of the
    // output before its sources go. Asked for only when they are to go: it costs the copy time.
    bool checksumCopies = false;
    StopCheck stopRequested;
    std::function<void(const ConversionProgress &)> onProgress;
};

// What converting an item came to, or what checking the output already at its name did.
struct ConversionResult
{
    // Converted, Incomplete or Failed; Skipped for an output that was there already.
    ItemResult::Outcome outcome = ItemResult::Failed;
    Problem failure; // why it failed, or what is short when incomplete
    Verification verification; // the output as it was checked against its sources
    StreamSums copied; // what ffmpeg copied into it, when the streams were copied
    // What was read of it right after ffmpeg wrote it, to record its checksums in its tag.
    MediaPackets written;
    bool sumsRead = false;
};

// Converts one item with the given ffmpeg process: ffmpeg writes to the temporary name, what it
// wrote must hold a video and an audio stream, and only then does it take the job's output
// name, never over anything that appeared there meanwhile. Whatever fails, the temporary file
// goes and the sources stay.
ConversionResult convertItem(const ConversionJob &job, const ConversionSettings &settings,
                             FfmpegProcess &ffmpeg, MediaReads &media);

// An output found at the item's name: the item's own is checked against its sources as a fresh
// one is (against the stream that is left, when an earlier run removed the other); anything
// else (untagged, another video's) is left as it is, unchecked.
ConversionResult outputAlreadyThere(const ItemPlan &plan, MediaReads &media);

// What an item came to, from its plan, its conversion and what became of its sources.
ItemResult finishedItem(const ItemPlan &plan, const ConversionResult &conversion,
                        const SourceFate &sources);

#endif // ITEMCONVERSION_H
