// SPDX-License-Identifier: MIT
#ifndef OUTPUTPROOF_H
#define OUTPUTPROOF_H

#include <QString>

#include "ffmpeg/streamhash.h"
#include "files/plainfile.h"
#include "media/mediapackets.h"
#include "media/mediareader.h"
#include "records/itemresult.h"
#include "records/problem.h"

// What proving an output to its last byte compares it with.
struct ProofSources
{
    QString videoFile;
    QString audioFile;
    // Checksums of what ffmpeg copied into this output in this run. Empty when it gave none (an
    // output met again, or removal asked for only while ffmpeg ran).
    StreamSums copied;
    // What this run read of the output right after ffmpeg wrote it, when it did: read again
    // only if the file is not the very one it was then.
    const MediaPackets *justRead = nullptr;
};

// What the packets read of one stream of an output tell against its full length: StreamMissing,
// OutputCutShort when its data does not reach that length (within the tolerance, either way) or
// a packet its index names is not there whole, PacketsDiffer when copiedSum is given and they
// are not those; none when all holds.
Problem proveStream(Problem::Stream stream, const StreamPackets &written, double full,
                    const QByteArray &copiedSum, const QString &output);

// What proving an output came to, and how it was proven.
struct Proof
{
    Problem problem;
    SourceFate::Proof kind = SourceFate::NotProven;
    bool recordDamaged = false; // see SourceFate::recordDamaged
};

// Reads the output's every packet of both streams before any source goes. Each stream's data
// must reach the full length of its source (the length the output's own header gives, where
// that source is gone: an earlier run proved the two equal before it removed it), with every
// packet the index names there whole. And its content must be proven: by the checksums ffmpeg
// gave of what it copied in this run, else by those its tag recorded when it was made, else (an
// output of an earlier version) by the packets of the sources still there when it was copied, or
// by decoding every frame when it was encoded. It must still be the very file that was verified,
// before the read and after it. No problem when all holds; else OutputCutShort, PacketsDiffer,
// OutputDataDamaged, ProofUnavailable, OutputChanged, Stopped or why it cannot be read.
Proof proveOutput(const QString &output, const FileIdentity &verified, const ProofSources &sources,
                  MediaReads &media);

#endif // OUTPUTPROOF_H
