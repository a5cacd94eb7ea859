// SPDX-License-Identifier: MIT
#include "output/outputplacement.h"

#include "output/sourcetag.h"

NameOccupant occupantOnDisk(const QString &path, MediaReads &media)
{
    NameOccupant occupant { occupantAt(path), QString() };
    if (occupant.kind != PathOccupant::RegularFile)
        return occupant;
    MediaInfo info;
    const Problem read = media.read(path, &info);
    occupant.tag = info.tag;
    occupant.readable = read.isNone() || read.kind == Problem::Stopped;
    return occupant;
}

OutputPlacement placeOutput(const QString &wantedFile, const QString &ownTag,
                            const std::function<NameOccupant(const QString &)> &occupantOf,
                            const std::function<bool(const QString &)> &claimFreeName)
{
    OutputPlacement placement;
    for (int n = 1; n <= maxNameChoices; ++n) {
        placement.outputFile = numberedOutputFile(wantedFile, n);
        const NameOccupant occupant = occupantOf(placement.outputFile);
        if (occupant.kind == PathOccupant::Nothing) {
            if (!claimFreeName(placement.outputFile))
                continue; // another run is writing there
            placement.verdict = OutputPlacement::FreeName;
            return placement;
        }
        if (occupant.kind == PathOccupant::Foreign)
            continue;
        if (!occupant.readable) {
            placement.verdict = OutputPlacement::Unreadable;
            return placement;
        }
        switch (relateTags(ownTag, occupant.tag)) {
        case TagRelation::Same:
            placement.verdict = OutputPlacement::OwnOutput;
            return placement;
        case TagRelation::Untagged:
            placement.verdict = OutputPlacement::OriginUnknown;
            return placement;
        case TagRelation::OtherVideoOfItem:
            placement.verdict = OutputPlacement::OtherVideoOfItem;
            return placement;
        case TagRelation::EarlierSources:
            // Kept as it is: the finished download is converted beside it.
            if (placement.earlierOutput.isEmpty())
                placement.earlierOutput = placement.outputFile;
            break;
        case TagRelation::OtherItem:
            break;
        }
    }
    placement.verdict = OutputPlacement::NoFreeName;
    placement.outputFile = wantedFile;
    return placement;
}
