// SPDX-License-Identifier: MIT
#include "media/mediadecode.h"

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "media/mediaopen.h"

namespace {

struct FreeCodec
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FreeFrame
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

// One stream being decoded, packet by packet, until its first error.
class StreamDecoder
{
public:
    StreamDecoder(const OpenedMedia &media, int index, DecodedStream *result)
        : index(index),
          result(result)
    {
        if (index < 0)
            return;
        stream = media.context()->streams[index];
        result->present = true;
        result->codec = QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id));
        const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
        context.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        frame.reset(av_frame_alloc());
        if (!context || !frame
            || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
            return;
        // Damage is an error, not something to hide: no concealment, every check the decoder
        // has, and the first damaged bit ends the decoding of the packet.
        context->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_EXPLODE;
        context->flags2 |= AV_CODEC_FLAG2_SHOW_ALL;
        context->thread_count = 0; // as many as the machine has
        context->pkt_timebase = stream->time_base;
        result->decoderFound = avcodec_open2(context.get(), codec, nullptr) >= 0;
    }

    void add(const AVPacket *packet)
    {
        if (!result->decoderFound || result->failsAt >= 0
            || (packet && packet->stream_index != index))
            return;
        if (packet) {
            const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (at != AV_NOPTS_VALUE && first == AV_NOPTS_VALUE)
                first = at;
            last = at != AV_NOPTS_VALUE ? at : last;
        }
        if (avcodec_send_packet(context.get(), packet) < 0) {
            failed(last);
            return;
        }
        for (;;) {
            const int received = avcodec_receive_frame(context.get(), frame.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            const bool corrupt = received >= 0
                && (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT));
            const int64_t at = received >= 0 && frame->best_effort_timestamp != AV_NOPTS_VALUE
                ? frame->best_effort_timestamp
                : last;
            av_frame_unref(frame.get());
            if (received < 0 || corrupt) {
                failed(at);
                return;
            }
        }
    }

private:
    void failed(int64_t at)
    {
        const int64_t from = first == AV_NOPTS_VALUE ? 0 : first;
        result->failsAt =
            at == AV_NOPTS_VALUE ? 0 : qMax<double>(0, (at - from) * av_q2d(stream->time_base));
    }

    int index;
    DecodedStream *result;
    AVStream *stream = nullptr;
    std::unique_ptr<AVCodecContext, FreeCodec> context;
    std::unique_ptr<AVFrame, FreeFrame> frame;
    int64_t first = AV_NOPTS_VALUE;
    int64_t last = AV_NOPTS_VALUE;
};

} // namespace

Problem decodeEveryFrame(const QString &path, DecodedMedia *decoded, const StopCheck &stopRequested)
{
    const OpenedMedia media(path, stopRequested, -1, OpenedMedia::AsStored);
    if (!media.problem().isNone())
        return media.problem();
    *decoded = DecodedMedia();
    StreamDecoder video(media, media.videoStream(), &decoded->video);
    StreamDecoder audio(media, media.audioStream(), &decoded->audio);
    AVPacket *packet = av_packet_alloc();
    if (!packet)
        return Problem(Problem::MediaUnreadable, path);
    while (av_read_frame(media.context(), packet) >= 0) {
        video.add(packet);
        audio.add(packet);
        av_packet_unref(packet);
        if (stopRequested && stopRequested())
            break;
    }
    av_packet_free(&packet);
    if (media.stopped() || (stopRequested && stopRequested()))
        return Problem(Problem::Stopped, path);
    // What the decoders still hold.
    video.add(nullptr);
    audio.add(nullptr);
    return Problem();
}
