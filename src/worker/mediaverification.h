// SPDX-License-Identifier: MIT
#ifndef MEDIAVERIFICATION_H
#define MEDIAVERIFICATION_H

#include "itemresult.h"
#include "mediareader.h"

// How much shorter or longer than its source a stream of the output may be. Containers round
// lengths differently; a download cut short loses far more.
constexpr double durationToleranceSeconds = 1.0;

// What keeps the output from being a complete conversion of the two sources, or no problem
// when it holds a video and an audio stream, each within the tolerance of its source.
Problem durationMismatch(const MediaInfo &output, const MediaInfo &videoSource,
                         const MediaInfo &audioSource);

// Compares an output with the item's two sources, reading each at most once. Sources that
// cannot be read give an unknown length.
Problem verifyAgainstSources(const MediaInfo &output, const QString &videoFile,
                             const QString &audioFile, MediaReads &media);

#endif // MEDIAVERIFICATION_H
