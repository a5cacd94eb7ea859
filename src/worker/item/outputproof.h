// SPDX-License-Identifier: MIT
#ifndef OUTPUTPROOF_H
#define OUTPUTPROOF_H

#include <QString>

#include "ffmpeg/streamhash.h"
#include "files/plainfile.h"
#include "media/mediareader.h"
#include "records/problem.h"

// What proving an output to its last byte compares it with.
struct ProofSources
{
    QString videoFile;
    QString audioFile;
    // Checksums of what ffmpeg copied into this output in this run. Empty when it gave none (an
    // output met again, or removal asked for only while ffmpeg ran): when the output's tag
    // says it was copied, the sources still there are read for them.
    StreamSums copied;
};

// Reads the output's every packet of both streams before any source goes. Each stream's data
// must reach the full length of its source (the length the output's own header gives, where
// that source is gone: an earlier run proved the two equal before it removed it), with every
// packet the index names there whole; a copied output must hold the sources' own packets. And
// it must still be the very file that was verified, before the read and after it. None when
// all holds; else OutputCutShort, PacketsDiffer, OutputChanged, Stopped or why it cannot be read.
Problem proveOutput(const QString &output, const FileIdentity &verified,
                    const ProofSources &sources, MediaReads &media);

#endif // OUTPUTPROOF_H
