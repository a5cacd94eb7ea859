// SPDX-License-Identifier: MIT
#ifndef SOURCEREMOVAL_H
#define SOURCEREMOVAL_H

#include "files/plainfile.h"
#include "files/saferemoval.h"
#include "item/remains.h"
#include "records/conversionjob.h"
#include "records/itemresult.h"

// What removing an item's sources did.
struct SourceRemoval
{
    SourceFate fate; // Removed, RemovalFailed, or Kept when removing never began
    bool began = false; // the streams' removal was tried
    bool videoRemoved = false;
    bool audioRemoved = false;
    QString folder; // the folder whose removal was tried, if any
    bool folderRemoved = false;
    // A folder of the item found moved or replaced while it was being removed: all that was
    // left of the item from then on stayed.
    QString displaced;
    bool displacedByLink = false; // a link stands at its name now
};

// What the removal's steps come to: Removed only when every one of them succeeded, else the
// first path that stayed, or the folder found displaced.
SourceFate fateOfRemoval(const SourceRemoval &removal, const ConversionJob &job);

// Removes an item's streams and, where that is safe, its folder; the output is put safely on
// the disk before the first source goes, and only when it is still the very file that was
// verified. Every folder is reached from the chosen folder root through handles, never through
// a link or junction, and what goes is what was checked: each step looks again that the item's
// folders still stand where they were. Nothing goes outside root, nor a folder that still holds
// a stream or video of anything else: the item folder when it can, else at least the stream's
// folder. The audio goes first, entry.json last: a removal cut short leaves what the next run
// finds again. watch hears of each step before it is taken.
SourceRemoval removeSources(const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput, const RemovalWatch &watch = {});

// Finishes the removal of an item that an earlier one left as remains: in the same way, through
// handles from root, once the item folder is seen (through them) to hold what it was recognised
// to hold and nothing else. The audio.m4s left goes first, entry.json last; the item folder
// goes whole when it lies below root, else only the folders in it.
SourceRemoval finishRemoval(const Remains &remains, const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput, const RemovalWatch &watch = {});

#endif // SOURCEREMOVAL_H
