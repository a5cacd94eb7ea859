// SPDX-License-Identifier: MIT
#include "media/mediapackets.h"

#include <limits>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/adler32.h>
}

#include "files/plainfile.h"
#include "media/mediaopen.h"

namespace {

// The Adler-32 of one run of bytes followed by another, from the two and the second's length
// (as zlib's adler32_combine): the whole stream's checksum comes from its runs', in one pass.
AVAdler combinedAdler(AVAdler first, AVAdler second, quint64 secondLength)
{
    constexpr quint64 base = 65521;
    const quint64 remainder = secondLength % base;
    quint64 sum1 = first & 0xffff;
    quint64 sum2 = (remainder * sum1) % base;
    sum1 += (second & 0xffff) + base - 1;
    sum2 += ((first >> 16) & 0xffff) + ((second >> 16) & 0xffff) + base - remainder;
    if (sum1 >= base)
        sum1 -= base;
    if (sum1 >= base)
        sum1 -= base;
    if (sum2 >= base * 2)
        sum2 -= base * 2;
    if (sum2 >= base)
        sum2 -= base;
    return AVAdler(sum1 | (sum2 << 16));
}

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
        runSums[run] = av_adler32_update(runSums[run], packet.data, size_t(packet.size));
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
        AVAdler whole = 1;
        for (size_t run = 0; run < runSums.size(); ++run) {
            whole = combinedAdler(whole, runSums.at(run), runBytes.at(run));
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
    std::vector<AVAdler> runSums;
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
    adviseReadingWhole(path);
    const OpenedMedia media(path, stopRequested, -1, OpenedMedia::AsStored);
    if (!media.problem().isNone())
        return media.problem();
    AVFormatContext *context = media.context();
    StreamTally video(media, media.videoStream());
    StreamTally audio(media, media.audioStream());
    AVPacket *packet = av_packet_alloc();
    if (!packet)
        return Problem(Problem::MediaUnreadable, path);
    // The end of the file, or of what can be read of it: either is where its data ends.
    while (av_read_frame(context, packet) >= 0) {
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
