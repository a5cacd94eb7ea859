// SPDX-License-Identifier: MIT
#include "media/mediaopen.h"

#include <QFileInfo>

#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include "files/systempath.h"

namespace {

// FFmpeg's own messages would reach the user's console; what went wrong is reported as data.
void setUpLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

double seconds(int64_t duration, AVRational timeBase)
{
    return duration > 0 && duration != AV_NOPTS_VALUE ? duration * av_q2d(timeBase) : -1;
}

int firstStream(const AVFormatContext *context, AVMediaType type)
{
    for (unsigned i = 0; context && i < context->nb_streams; ++i) {
        const AVStream *stream = context->streams[i];
        // A cover picture is a video stream of one frame, not the video.
        if (stream->codecpar->codec_type == type
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return int(i);
    }
    return -1;
}

} // namespace

OpenedMedia::OpenedMedia(const QString &path, const StopCheck &stopRequested, int timeLimitMs,
                         Samples samples)
    : watch { &stopRequested, QDeadlineTimer(timeLimitMs) }
{
    setUpLibrary();
    // A pipe would wait for a writer, a device would never end: only plain files are opened.
    if (!QFileInfo(path).isFile()) {
        openProblem = Problem(Problem::MediaUnreadable, path);
        return;
    }
    AVFormatContext *context = avformat_alloc_context();
    if (!context) {
        openProblem = Problem(Problem::MediaUnreadable, path);
        return;
    }
    context->interrupt_callback.callback = interrupt;
    context->interrupt_callback.opaque = &watch;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (samples == AsStored)
        av_dict_set(&options, "ignore_editlist", "1", 0);
    // Read as MP4, whatever the file looks like: no other reader ever sees it.
    const int result = avformat_open_input(&context, pathForCLibrary(path).constData(),
                                           av_find_input_format("mov"), &options);
    av_dict_free(&options);
    if (result < 0) { // the context is freed already
        openProblem = Problem(watch.stopped                       ? Problem::Stopped
                                  : result == AVERROR_INVALIDDATA ? Problem::NotMedia
                                                                  : Problem::MediaUnreadable,
                              path);
        return;
    }
    opened = context;
}

OpenedMedia::~OpenedMedia()
{
    if (opened)
        avformat_close_input(&opened);
}

int OpenedMedia::videoStream() const
{
    return firstStream(opened, AVMEDIA_TYPE_VIDEO);
}

int OpenedMedia::audioStream() const
{
    return firstStream(opened, AVMEDIA_TYPE_AUDIO);
}

double OpenedMedia::streamLength(int index) const
{
    const AVStream *stream = opened->streams[index];
    return seconds(stream->duration, stream->time_base);
}

double OpenedMedia::fileLength() const
{
    return seconds(opened->duration, AVRational { 1, AV_TIME_BASE });
}

QString OpenedMedia::comment() const
{
    const AVDictionaryEntry *comment = av_dict_get(opened->metadata, "comment", nullptr, 0);
    return comment ? QString::fromUtf8(comment->value) : QString();
}

// Asked by FFmpeg between its reads: a non-zero answer ends the read at once.
int OpenedMedia::interrupt(void *opaque)
{
    auto *watch = static_cast<Watch *>(opaque);
    if (*watch->stopRequested && (*watch->stopRequested)())
        watch->stopped = true;
    return watch->stopped || watch->deadline.hasExpired() ? 1 : 0;
}
