// SPDX-License-Identifier: MIT
#ifndef SOURCETAG_H
#define SOURCETAG_H

#include <QString>

// Every output Vantoro writes carries a tag in its own metadata (the "comment" entry, which
// ffprobe reads back) that says which item and which two stream files it was made from: the
// item folder's name, the video folder's name, both sizes, and a hash of the first and last
// 64 KiB of each stream.
// Only an output with the item's own tag may ever cost that item its sources.

// The tag for an item's streams; empty when a stream cannot be read.
QString sourceTag(const QString &itemFolder, const QString &videoFolder, const QString &videoFile,
                  const QString &audioFile);

// The item folder name a tag names, or empty when the text is no tag of ours.
QString taggedItemName(const QString &tag);

// The metadata key that carries the tag.
QString sourceTagKey();

#endif // SOURCETAG_H
