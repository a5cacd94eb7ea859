// SPDX-License-Identifier: MIT
#include "media/mediapackets.h"

#include <limits>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

#include "files/readahead.h"
#include "media/adler32.h"
#include "media/mediaopen.h"

namespace {

// One stream being read: what its packets came to so far.
class StreamTally
{
public:
    StreamTally(const OpenedMedia &media, int index) : index(index)
    {
        if (index < 0)
            return;
        stream = media.context()->streams[index];
        declared = media.streamLength(index);
        indexed = indexedCount();
        runSums.assign(checksumRuns, 1); // Adler-32 of nothing
        runBytes.assign(checksumRuns, 0);
        runFirst.assign(checksumRuns, AV_NOPTS_VALUE);
    }

    void add(const AVPacket &packet)
    {
        if (packet.stream_index != index)
            return;
        // More packets than the index names all go into the last run.
        const size_t run = size_t(
            qMin<int64_t>(count * checksumRuns / qMax<int64_t>(indexed, 1), checksumRuns - 1));
        ++count;
        bytes += packet.size;
        runBytes[run] += quint64(packet.size);
        runSums[run] = adler32Update(runSums[run], packet.data, size_t(packet.size));
        const int64_t at = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
        if (at == AV_NOPTS_VALUE)
            return;
        if (runFirst[run] == AV_NOPTS_VALUE)
            runFirst[run] = at;
        first = qMin(first, at);
        end = qMax(end, at + qMax<int64_t>(packet.duration, 0));
    }

    StreamPackets result() const
    {
        StreamPackets packets;
        if (!stream)
            return packets;
        packets.present = true;
        packets.declared = declared;
        if (end > first)
            packets.reaches = (end - first) * av_q2d(stream->time_base);
        packets.whole = count > 0 && count == indexed && bytes == indexedBytes();
        packets.count = count;
        packets.runSums.assign(runSums.begin(), runSums.end());
        quint32 whole = 1; // of nothing
        for (size_t run = 0; run < runSums.size(); ++run) {
            whole = adler32Combine(whole, runSums.at(run), runBytes.at(run));
            const int64_t at = runFirst.at(run);
            packets.runStarts.push_back(
                at == AV_NOPTS_VALUE || end < first
                    ? 0
                    : qMax<double>(0, (at - first) * av_q2d(stream->time_base)));
        }
        // In hex, as ffmpeg's stream-hash writer gives it.
        packets.checksum = QByteArray::number(whole, 16).rightJustified(8, '0');
        return packets;
    }

private:
    // What the file's index promises: so many packets of so many bytes.
    int64_t indexedCount() const { return avformat_index_get_entries_count(stream); }
    int64_t indexedBytes() const
    {
        int64_t sum = 0;
        for (int i = 0; i < avformat_index_get_entries_count(stream); ++i)
            sum += avformat_index_get_entry(stream, i)->size;
        return sum;
    }

    int index;
    AVStream *stream = nullptr;
    double declared = -1;
    int64_t indexed = 0;
    std::vector<quint32> runSums;
    std::vector<quint64> runBytes;
    std::vector<int64_t> runFirst;
    int64_t count = 0;
    int64_t bytes = 0;
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t end = std::numeric_limits<int64_t>::min();
};

} // namespace

Problem readPackets(const QString &path, MediaPackets *packets, const StopCheck &stopRequested)
{
    // However long a big file on a slow disk takes: only a stop ends this read early.
    // Every packet the file stores, also those an edit list leaves unplayed (ffmpeg copies
    // those too, and its checksums count them).
    ReadAhead ahead(path);
    const OpenedMedia media(path, stopRequested, -1, OpenedMedia::AsStored);
    if (!media.problem().isNone())
        return media.problem();
    AVFormatContext *context = media.context();
    // The packets as stored: no parser looks into them (it would only slow the read).
    context->flags |= AVFMT_FLAG_NOPARSE;
    StreamTally video(media, media.videoStream());
    StreamTally audio(media, media.audioStream());
    AVPacket *packet = av_packet_alloc();
    if (!packet)
        return Problem(Problem::MediaUnreadable, path);
    // The end of the file, or of what can be read of it: either is where its data ends.
    while (av_read_frame(context, packet) >= 0) {
        ahead.reached(packet->pos);
        video.add(*packet);
        audio.add(*packet);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (media.stopped())
        return Problem(Problem::Stopped, path);
    *packets = MediaPackets { video.result(), audio.result(), media.comment() };
    return Problem();
}
