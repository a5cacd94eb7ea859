// SPDX-License-Identifier: MIT
#ifndef OUTPUTPLACEMENT_H
#define OUTPUTPLACEMENT_H

#include <QString>

#include <functional>

#include "media/mediareader.h"
#include "output/outputfile.h"

// What stands at one name an output might take.
struct NameOccupant
{
    PathOccupant kind = PathOccupant::Nothing;
    QString tag; // of a plain file: the source tag in its metadata, if any
    bool readable = true; // a plain file whose header can be read
};

// Where an item's output goes.
struct OutputPlacement
{
    enum Verdict {
        FreeName, // convert into outputFile
        OwnOutput, // outputFile already holds this item's conversion of these very streams
        OriginUnknown, // outputFile holds a video nobody can tell the origin of
        Unreadable, // outputFile holds a file no header can be read from: damaged, or no video
        OtherVideoOfItem, // outputFile holds a conversion of another video folder of this item
        NoFreeName, // every numbered choice is taken
    };

    Verdict verdict = NoFreeName;
    QString outputFile;
    // An earlier conversion of this same video, made before its download finished; it stays.
    QString earlierOutput;
};

// What stands at a path on the disk, and whose video it is when it is a plain file.
NameOccupant occupantOnDisk(const QString &path, MediaReads &media);

// "<name>(2).mp4" and on: far more than any folder of downloads will ever need.
constexpr int maxNameChoices = 1000;

// Walks the choices of name for wantedFile in order ("<name>.mp4", "<name>(2).mp4", …) and
// decides where the output of an item with the tag ownTag goes. A name taken by another
// item's video, by an earlier conversion of these same streams' folder, or by anything that is
// not a plain file (a link, even a dangling one, a folder) passes to the next choice, and so
// does a free name that another run is writing (claimFreeName refuses it); an output of these
// very streams is the item's own; an untagged video, a file no header can be read from (whose
// it is cannot be told), or one of another video folder of the item stops the walk there.
// occupantOf tells what stands at a name; claimFreeName is asked for a free name before it is
// chosen, and keeps it for this item when it answers true.
OutputPlacement placeOutput(const QString &wantedFile, const QString &ownTag,
                            const std::function<NameOccupant(const QString &)> &occupantOf,
                            const std::function<bool(const QString &)> &claimFreeName);

#endif // OUTPUTPLACEMENT_H
