// SPDX-License-Identifier: MIT
#include "item/outputproof.h"

#include <QFileInfo>

#include "item/outputsums.h"
#include "media/mediadecode.h"
#include "media/mediapackets.h"
#include "media/mediaverification.h"
#include "output/sourcetag.h"

namespace {

// The full length of a stream: its source's, or where that is gone, the output's own.
// Below zero when unknown; a stop while the source's header is read leaves stopped set.
double fullLength(const QString &source, Problem::Stream stream, const StreamPackets &written,
                  MediaReads &media, bool *stopped)
{
    if (!QFileInfo::exists(source))
        return written.declared;
    MediaInfo info;
    const Problem read = media.read(source, &info);
    *stopped = *stopped || read.kind == Problem::Stopped;
    if (!read.isNone())
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

Problem proveByDecoding(const QString &output, const StopCheck &stopRequested,
                        const double fullLengths[2])
{
    DecodedMedia decoded;
    const Problem read = decodeEveryFrame(output, &decoded, stopRequested);
    if (!read.isNone())
        return read;
    for (const Problem::Stream stream : { Problem::Video, Problem::Audio }) {
        const DecodedStream &result = stream == Problem::Video ? decoded.video : decoded.audio;
        Problem problem(Problem::None, output);
        problem.stream = stream;
        if (!result.decoderFound) {
            problem.kind = Problem::ProofUnavailable;
            problem.detail = result.codec;
            return problem;
        }
        if (result.failsAt >= 0) {
            problem.kind = Problem::OutputDataDamaged;
            problem.outputSeconds = result.failsAt;
            problem.sourceSeconds = fullLengths[stream];
            return problem;
        }
    }
    return Problem();
}

} // namespace

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

Proof proveOutput(const QString &output, const FileIdentity &verified, const ProofSources &sources,
                  MediaReads &media)
{
    Proof proof;
    if (identityOf(output) != verified) {
        proof.problem = Problem(Problem::OutputChanged, output);
        return proof;
    }
    MediaPackets written;
    if (sources.justRead) {
        written = *sources.justRead;
    } else {
        proof.problem = readPackets(output, &written, media.stopCheck());
        if (!proof.problem.isNone())
            return proof;
    }

    MediaInfo header;
    if (media.read(output, &header).kind == Problem::Stopped) {
        proof.problem = Problem(Problem::Stopped, output);
        return proof;
    }
    const TaggedSums recorded = taggedSums(header.tag);
    proof.recordDamaged = recorded.damaged;
    StreamSums copied = sources.copied;
    bool stopped = false;
    if (!copied.isEmpty()) {
        proof.kind = SourceFate::CopyChecksums;
    } else if (!recorded.isEmpty()) {
        proof.kind = SourceFate::RecordedChecksums;
    } else if (tagSaysCopied(header.tag)) {
        proof.kind = SourceFate::SourcePackets;
        copied = sourceSums(sources, media.stopCheck(), &stopped);
    } else {
        proof.kind = SourceFate::Decoded;
    }
    const double fullLengths[2] = {
        fullLength(sources.videoFile, Problem::Video, written.video, media, &stopped),
        fullLength(sources.audioFile, Problem::Audio, written.audio, media, &stopped)
    };
    // A stop is no damage: what was not read cannot be told.
    if (stopped) {
        proof.problem = Problem(Problem::Stopped, output);
        return proof;
    }
    proof.problem =
        proveStream(Problem::Video, written.video, fullLengths[0], copied.video, output);
    if (proof.problem.isNone())
        proof.problem =
            proveStream(Problem::Audio, written.audio, fullLengths[1], copied.audio, output);
    if (proof.problem.isNone() && proof.kind == SourceFate::RecordedChecksums) {
        proof.problem = compareWithRecorded(written, recorded, output);
        proof.problem.sourceSeconds = fullLengths[proof.problem.stream];
    }
    if (proof.problem.isNone() && proof.kind == SourceFate::Decoded)
        proof.problem = proveByDecoding(output, media.stopCheck(), fullLengths);
    if (proof.problem.isNone() && identityOf(output) != verified)
        proof.problem = Problem(Problem::OutputChanged, output);
    return proof;
}
