// SPDX-License-Identifier: MIT
#include "mediareader.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

namespace {

// Headers take milliseconds; a file that keeps the reader busy this long is no file of ours.
constexpr int readTimeLimitMs = 30000;

struct ReadWatch
{
    const StopCheck *stopRequested;
    QDeadlineTimer deadline;
    bool stopped = false;
};

// Asked by FFmpeg between its reads: a non-zero answer ends the read at once.
int interruptRead(void *opaque)
{
    auto *watch = static_cast<ReadWatch *>(opaque);
    if (*watch->stopRequested && (*watch->stopRequested)())
        watch->stopped = true;
    return watch->stopped || watch->deadline.hasExpired() ? 1 : 0;
}

// FFmpeg's own messages would reach the user's console; what went wrong is reported as data.
void setUpLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

QByteArray pathForLibrary(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toUtf8(); // FFmpeg turns UTF-8 into the wide names Windows wants
#else
    return QFile::encodeName(path);
#endif
}

double seconds(int64_t duration, AVRational timeBase)
{
    return duration > 0 && duration != AV_NOPTS_VALUE ? duration * av_q2d(timeBase) : -1;
}

void describe(const AVFormatContext *context, MediaInfo *info)
{
    *info = MediaInfo();
    const double container = seconds(context->duration, AVRational { 1, AV_TIME_BASE });
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream *stream = context->streams[i];
        double length = seconds(stream->duration, stream->time_base);
        if (length < 0)
            length = container;
        const AVMediaType type = stream->codecpar->codec_type;
        // A cover picture is a video stream of one frame, not the video.
        if (type == AVMEDIA_TYPE_VIDEO && !info->hasVideo
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            info->hasVideo = true;
            info->video = length;
        } else if (type == AVMEDIA_TYPE_AUDIO && !info->hasAudio) {
            info->hasAudio = true;
            info->audio = length;
        }
    }
    if (const AVDictionaryEntry *tag = av_dict_get(context->metadata, "comment", nullptr, 0))
        info->tag = QString::fromUtf8(tag->value);
}

} // namespace

Problem readMedia(const QString &path, MediaInfo *info, const StopCheck &stopRequested)
{
    setUpLibrary();
    // A pipe would wait for a writer, a device would never end: only plain files are opened.
    if (!QFileInfo(path).isFile())
        return Problem(Problem::MediaUnreadable, path);

    ReadWatch watch { &stopRequested, QDeadlineTimer(readTimeLimitMs) };
    AVFormatContext *context = avformat_alloc_context();
    if (!context)
        return Problem(Problem::MediaUnreadable, path);
    context->interrupt_callback.callback = interruptRead;
    context->interrupt_callback.opaque = &watch;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // Read as MP4, whatever the file looks like: no other reader ever sees it.
    const int opened = avformat_open_input(&context, pathForLibrary(path).constData(),
                                           av_find_input_format("mov"), &options);
    av_dict_free(&options);
    if (opened < 0) { // the context is freed already
        if (watch.stopped)
            return Problem(Problem::Stopped, path);
        return Problem(opened == AVERROR_INVALIDDATA ? Problem::NotMedia : Problem::MediaUnreadable,
                       path);
    }
    describe(context, info);
    avformat_close_input(&context);
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
