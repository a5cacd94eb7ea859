// SPDX-License-Identifier: MIT
#ifndef MEDIAREADER_H
#define MEDIAREADER_H

#include <QHash>
#include <QString>

#include "files/plainfile.h"
#include "records/problem.h"
#include "records/stopcheck.h"

// What a media file holds, as its headers say; a duration below zero is unknown.
struct MediaInfo
{
    bool hasVideo = false;
    bool hasAudio = false;
    double video = -1;
    double audio = -1;
    QString tag; // the source tag in the file's metadata, if any
};

// Reads an MP4 file's headers in-process with FFmpeg's own library: which streams it holds,
// how long each lasts (the container's length where a stream has none of its own), and the
// source tag. Only plain files are opened, only as MP4, and only their headers are read; a
// stop ends the read within a moment. MediaUnreadable, NotMedia or Stopped when it fails.
Problem readMedia(const QString &path, MediaInfo *info, const StopCheck &stopRequested = {});

// The media files of one item, each read at most once however often it is asked about.
class MediaReads
{
public:
    explicit MediaReads(StopCheck stopRequested) : stopRequested(std::move(stopRequested)) { }

    // What readMedia says of the file; info is filled when it succeeded. file, when given, is
    // the identity the plain file had just before it was read (invalid for anything else).
    Problem read(const QString &path, MediaInfo *info, FileIdentity *file = nullptr);
    // Whether the user stopped, for other reads of the same item.
    const StopCheck &stopCheck() const { return stopRequested; }

private:
    struct Read
    {
        Problem problem;
        MediaInfo info;
        FileIdentity file;
    };
    StopCheck stopRequested;
    QHash<QString, Read> reads;
};

#endif // MEDIAREADER_H
