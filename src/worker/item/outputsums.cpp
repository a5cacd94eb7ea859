// SPDX-License-Identifier: MIT
#include "item/outputsums.h"

#include "media/mp4comment.h"

namespace {

TaggedStream tagged(const StreamPackets &read)
{
    return { read.count, read.runSums };
}

// Where the packets of one stream first differ from those recorded, in seconds; below zero
// when they do not.
double firstDifference(const StreamPackets &read, const TaggedStream &recorded)
{
    for (size_t run = 0; run < read.runSums.size(); ++run) {
        if (run >= recorded.runSums.size() || read.runSums.at(run) != recorded.runSums.at(run))
            return read.runStarts.at(run);
    }
    // Runs alike, counts not: packets missing from the index as well as from the data.
    if (read.count != recorded.count)
        return read.runStarts.empty() ? 0 : read.runStarts.back();
    return -1;
}

} // namespace

Problem recordSums(const QString &output, MediaPackets *read, const StopCheck &stopRequested,
                   bool *recorded)
{
    *recorded = false;
    const Problem problem = readPackets(output, read, stopRequested);
    if (!problem.isNone() || !read->tag.endsWith(reservedSums()))
        return problem;
    const TaggedSums sums { tagged(read->video), tagged(read->audio) };
    *recorded = rewriteComment(output, reservedSums().toLatin1(), sumsField(sums).toLatin1());
    return Problem();
}

Problem compareWithRecorded(const MediaPackets &read, const TaggedSums &recorded,
                            const QString &output)
{
    Problem problem(Problem::None, output);
    for (const Problem::Stream stream : { Problem::Video, Problem::Audio }) {
        const bool video = stream == Problem::Video;
        const double from = firstDifference(video ? read.video : read.audio,
                                            video ? recorded.video : recorded.audio);
        if (from >= 0) {
            problem.kind = Problem::OutputDataDamaged;
            problem.stream = stream;
            problem.outputSeconds = from;
            return problem;
        }
    }
    return problem;
}
