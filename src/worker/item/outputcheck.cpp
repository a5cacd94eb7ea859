// SPDX-License-Identifier: MIT
#include "item/outputcheck.h"

#include "item/outputproof.h"
#include "item/outputsums.h"
#include "media/mediapackets.h"
#include "media/mediareader.h"
#include "output/sourcetag.h"

namespace {

OutputCheck verdict(OutputCheck::Verdict verdict, const Problem &problem = Problem())
{
    return { verdict, problem };
}

} // namespace

OutputCheck checkOutput(const QString &path, const StopCheck &stopRequested)
{
    MediaInfo header;
    Problem problem = readMedia(path, &header, stopRequested);
    if (!problem.isNone())
        return verdict(OutputCheck::Unreadable, problem);
    if (relateTags(QString(), header.tag) == TagRelation::Untagged)
        return verdict(OutputCheck::NotVantoros);
    const TaggedSums recorded = taggedSums(header.tag);
    if (recorded.damaged)
        return verdict(OutputCheck::Damaged, Problem(Problem::ChecksumRecordDamaged, path));
    if (recorded.isEmpty())
        return verdict(OutputCheck::NoChecksums);
    MediaPackets read;
    problem = readPackets(path, &read, stopRequested);
    if (!problem.isNone())
        return verdict(OutputCheck::Unreadable, problem);
    // Without its sources, its own header tells each stream's full length.
    for (const Problem::Stream stream : { Problem::Video, Problem::Audio }) {
        const StreamPackets &packets = stream == Problem::Video ? read.video : read.audio;
        problem = proveStream(stream, packets, packets.declared, QByteArray(), path);
        if (!problem.isNone())
            return verdict(OutputCheck::Damaged, problem);
    }
    problem = compareWithRecorded(read, recorded, path);
    if (!problem.isNone()) {
        problem.sourceSeconds =
            (problem.stream == Problem::Video ? read.video : read.audio).declared;
        return verdict(OutputCheck::Damaged, problem);
    }
    return verdict(OutputCheck::Sound);
}
