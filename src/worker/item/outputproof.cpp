// SPDX-License-Identifier: MIT
#include "item/outputproof.h"

#include <QFileInfo>

#include "media/mediapackets.h"
#include "media/mediaverification.h"
#include "output/sourcetag.h"

namespace {

// The full length of a stream: its source's, or where that is gone, the output's own.
double fullLength(const QString &source, Problem::Stream stream, const StreamPackets &written,
                  MediaReads &media)
{
    if (!QFileInfo::exists(source))
        return written.declared;
    MediaInfo info;
    if (!media.read(source, &info).isNone())
        return -1;
    return stream == Problem::Video ? info.video : info.audio;
}

// The checksums of the sources' own packets, from those still there.
StreamSums sourceSums(const ProofSources &sources, const StopCheck &stopRequested, bool *stopped)
{
    StreamSums sums;
    MediaPackets video;
    MediaPackets audio;
    if (QFileInfo::exists(sources.videoFile)
        && readPackets(sources.videoFile, &video, stopRequested).isNone())
        sums.video = video.video.checksum;
    if (QFileInfo::exists(sources.audioFile)
        && readPackets(sources.audioFile, &audio, stopRequested).isNone())
        sums.audio = audio.audio.checksum;
    *stopped = stopRequested && stopRequested();
    return sums;
}

Problem proveStream(Problem::Stream stream, const StreamPackets &written, double full,
                    const QByteArray &copiedSum, const QString &output)
{
    Problem problem(Problem::None, output);
    problem.stream = stream;
    problem.outputSeconds = written.reaches;
    problem.sourceSeconds = full;
    if (!written.present)
        problem.kind = Problem::StreamMissing;
    else if (!written.whole || full < 0 || qAbs(written.reaches - full) > durationToleranceSeconds)
        problem.kind = Problem::OutputCutShort;
    else if (!copiedSum.isEmpty() && copiedSum != written.checksum)
        problem.kind = Problem::PacketsDiffer;
    return problem;
}

} // namespace

Problem proveOutput(const QString &output, const FileIdentity &verified,
                    const ProofSources &sources, MediaReads &media)
{
    if (identityOf(output) != verified)
        return Problem(Problem::OutputChanged, output);
    MediaPackets written;
    const Problem read = readPackets(output, &written, media.stopCheck());
    if (!read.isNone())
        return read;

    StreamSums copied = sources.copied;
    MediaInfo header;
    if (copied.isEmpty() && media.read(output, &header).isNone() && tagSaysCopied(header.tag)) {
        bool stopped = false;
        copied = sourceSums(sources, media.stopCheck(), &stopped);
        if (stopped)
            return Problem(Problem::Stopped, output);
    }
    Problem problem = proveStream(
        Problem::Video, written.video,
        fullLength(sources.videoFile, Problem::Video, written.video, media), copied.video, output);
    if (problem.isNone())
        problem = proveStream(Problem::Audio, written.audio,
                              fullLength(sources.audioFile, Problem::Audio, written.audio, media),
                              copied.audio, output);
    if (problem.isNone() && identityOf(output) != verified)
        return Problem(Problem::OutputChanged, output);
    return problem;
}
