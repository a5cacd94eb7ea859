// SPDX-License-Identifier: MIT
#ifndef MEDIAVERIFICATION_H
#define MEDIAVERIFICATION_H

#include "files/plainfile.h"
#include "media/mediareader.h"
#include "records/problem.h"

// How much shorter or longer than its source a stream of the output may be. Containers round
// lengths differently; a download cut short loses far more.
constexpr double durationToleranceSeconds = 1.0;

// What an output proved when it was checked against its item's sources, and which file it was.
struct Verification
{
    // None when the file holds a video and an audio stream, each within the tolerance of its
    // source; else what keeps it from being a complete conversion of them.
    Problem problem = Problem(Problem::MediaUnreadable);
    FileIdentity file;

    bool isComplete() const { return problem.isNone() && file.isValid(); }
    // No video and audio stream can be read from it at all: not a usable output.
    bool isDamaged() const
    {
        return problem.kind == Problem::MediaUnreadable || problem.kind == Problem::NotMedia
            || problem.kind == Problem::StreamMissing;
    }
};

// What keeps the output from being a complete conversion of the two sources, or no problem
// when it holds a video and an audio stream, each within the tolerance of its source.
Problem durationMismatch(const MediaInfo &output, const MediaInfo &videoSource,
                         const MediaInfo &audioSource);

// Checks an output, fresh from ffmpeg or met again on a later run, against the item's two
// sources: each file is read at most once, and sources that cannot be read give an unknown
// length. The output's identity is the one it had when it was read (perhaps earlier for the
// same item, when its placement read its tag), so what is trusted later is the file read.
// With tagVouches, a source that is gone is taken as the output's own stream: the tag of an
// output that an earlier run verified before it removed that stream vouches for it.
Verification verifyOutput(const QString &output, const QString &videoFile, const QString &audioFile,
                          MediaReads &media, bool tagVouches = false);

#endif // MEDIAVERIFICATION_H
