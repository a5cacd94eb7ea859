// SPDX-License-Identifier: MIT
#ifndef SOURCEREMOVAL_H
#define SOURCEREMOVAL_H

#include "files/plainfile.h"
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
};

// What the removal's steps come to: Removed only when every one of them succeeded, else the
// first path that stayed.
SourceFate fateOfRemoval(const SourceRemoval &removal, const ConversionJob &job);

// Removes an item's streams and, where that is safe, its folder; the output is put safely on
// the disk before the first source goes, and only when it is still the very file that was
// verified. Nothing is removed through a link or junction met between the chosen folder root
// and the streams (looked for again now: one may have appeared since the walk), nor outside
// root, nor a folder that still holds a stream or video of anything else: the item folder when
// it can, else at least the stream's folder.
SourceRemoval removeSources(const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput);

#endif // SOURCEREMOVAL_H
