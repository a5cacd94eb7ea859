// SPDX-License-Identifier: MIT
#ifndef OUTPUTSUMS_H
#define OUTPUTSUMS_H

#include <QString>

#include "media/mediapackets.h"
#include "output/sourcetag.h"
#include "records/problem.h"
#include "records/stopcheck.h"

// An output carries its own proof: the checksums of its packets, recorded in its tag when it is
// made, which every later proof (and vantoro-cli --check) compares with what it reads, without
// the sources and without decoding.

// Reads the output back right after ffmpeg wrote it and fills the room its tag reserves with the
// checksums of its packets, in place. read receives what the read found, for the proof of the
// same run. recorded tells whether the tag had that room: one written otherwise (by another
// ffmpeg, or made with options that drop it) records nothing, and is proven later as an output
// of an earlier version is. MediaUnreadable, NotMedia or Stopped when it cannot be read.
Problem recordSums(const QString &output, MediaPackets *read, const StopCheck &stopRequested,
                   bool *recorded);

// Compares what was read of an output with the checksums its tag recorded: OutputDataDamaged for
// the first stream whose packets are not those recorded (outputSeconds: where the first run of
// packets that differs begins), or none when all agree. sourceSeconds is left for the caller.
Problem compareWithRecorded(const MediaPackets &read, const TaggedSums &recorded,
                            const QString &output);

#endif // OUTPUTSUMS_H
