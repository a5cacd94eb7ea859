// SPDX-License-Identifier: MIT
#include "media/mediareader.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include "media/mediaopen.h"

namespace {

// Headers take milliseconds; a file that keeps the reader busy this long is no file of ours.
constexpr int readTimeLimitMs = 30000;

// The length of one stream: its own, or the file's where it has none.
double lengthOf(const OpenedMedia &media, int index)
{
    const double own = media.streamLength(index);
    return own >= 0 ? own : media.fileLength();
}

} // namespace

Problem readMedia(const QString &path, MediaInfo *info, const StopCheck &stopRequested)
{
    const OpenedMedia media(path, stopRequested, readTimeLimitMs);
    if (!media.problem().isNone())
        return media.problem();
    *info = MediaInfo();
    const int video = media.videoStream();
    const int audio = media.audioStream();
    info->hasVideo = video >= 0;
    info->hasAudio = audio >= 0;
    if (info->hasVideo)
        info->video = lengthOf(media, video);
    if (info->hasAudio)
        info->audio = lengthOf(media, audio);
    info->tag = media.comment();
    return Problem();
}

Problem MediaReads::read(const QString &path, MediaInfo *info, FileIdentity *file)
{
    auto known = reads.constFind(path);
    if (known == reads.constEnd()) {
        Read read;
        read.file = identityOf(path);
        read.problem = readMedia(path, &read.info, stopRequested);
        known = reads.insert(path, read);
    }
    *info = known->info;
    if (file)
        *file = known->file;
    return known->problem;
}
