// SPDX-License-Identifier: MIT
#include "media/mediareader.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include "media/mediaopen.h"

namespace {

// Headers take milliseconds; a file that keeps the reader busy this long is no file of ours.
constexpr int readTimeLimitMs = 30000;

double seconds(int64_t duration, AVRational timeBase)
{
    return duration > 0 && duration != AV_NOPTS_VALUE ? duration * av_q2d(timeBase) : -1;
}

// The length of one stream: its own, or the container's where it has none.
double lengthOf(const AVFormatContext *context, int index)
{
    const AVStream *stream = context->streams[index];
    const double own = seconds(stream->duration, stream->time_base);
    return own >= 0 ? own : seconds(context->duration, AVRational { 1, AV_TIME_BASE });
}

} // namespace

Problem readMedia(const QString &path, MediaInfo *info, const StopCheck &stopRequested)
{
    const OpenedMedia media(path, stopRequested, readTimeLimitMs);
    if (!media.problem().isNone())
        return media.problem();
    const AVFormatContext *context = media.context();
    *info = MediaInfo();
    const int video = media.videoStream();
    const int audio = media.audioStream();
    info->hasVideo = video >= 0;
    info->hasAudio = audio >= 0;
    if (info->hasVideo)
        info->video = lengthOf(context, video);
    if (info->hasAudio)
        info->audio = lengthOf(context, audio);
    if (const AVDictionaryEntry *tag = av_dict_get(context->metadata, "comment", nullptr, 0))
        info->tag = QString::fromUtf8(tag->value);
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
