// SPDX-License-Identifier: MIT
#ifndef SOURCETAG_H
#define SOURCETAG_H

#include <QString>

#include <vector>

// Every output Vantoro writes carries a tag in its own metadata (the "comment" entry) that
// says which item and which two stream files it was made from: the item folder's name, the
// video folder's name, both sizes, and a hash of the first and last 64 KiB of each stream.
// Only an output with the item's own tag may ever cost that item its sources.

// The tag for an item's streams; empty when a stream cannot be read.
QString sourceTag(const QString &itemFolder, const QString &videoFolder, const QString &videoFile,
                  const QString &audioFile);

// The tag of an output whose streams were copied as they are (ffmpeg's "-c copy"): its packets
// must then be the sources' own. An output so tagged is still the same item's.
QString copiedTag(const QString &tag);
bool tagSaysCopied(const QString &tag);

// What an output's tag records of the packets of one stream when it is made: how many there
// are, and the checksum of each run of them (see StreamPackets). No count: none recorded.
struct TaggedStream
{
    qint64 count = 0;
    std::vector<quint32> runSums;
};
struct TaggedSums
{
    TaggedStream video;
    TaggedStream audio;
    // The tag holds the field, but it cannot be read (cut short, of another length, not hex) or
    // its runs disagree with its counts: nothing is recorded that could be trusted.
    bool damaged = false;

    bool isEmpty() const { return video.count == 0 && audio.count == 0; }
};

// The tag with room reserved at its end for the checksums of the output's packets: ffmpeg
// writes it so, and once the output is read back the room is filled in place, in the same
// number of characters (see sumsField).
QString withReservedSums(const QString &tag);
// The room as ffmpeg writes it, and what fills it.
QString reservedSums();
QString sumsField(const TaggedSums &sums);
// The checksums the tag records; empty when it records none (an output of an earlier
// version, or one whose room was never filled), and damaged as well when its field is.
TaggedSums taggedSums(const QString &tag);

// The metadata key that carries the tag.
QString sourceTagKey();

// How an output found at a name relates to the item that would write there.
enum class TagRelation {
    Same, // made from these very streams
    EarlierSources, // made from this video folder, when its streams were other (a download since
                    // finished)
    OtherVideoOfItem, // made from another video folder of this item
    OtherItem, // made from another item
    Untagged, // no tag of ours: whose it is cannot be told
};

// Compares the tag found in an output with the tag this item's streams give.
TagRelation relateTags(const QString &ownTag, const QString &foundTag);

// True when the tag says it was made from this video folder of this item, whatever its streams
// were then: what can still be told of an item whose streams are gone.
bool tagNamesVideo(const QString &tag, const QString &itemFolder, const QString &videoFolder);

// True when the tag says it was made from a video folder of this item, whichever.
bool tagNamesItem(const QString &tag, const QString &itemFolder);

// The name of the video folder the tag says it was made from; empty when it names none.
QString taggedVideoFolderName(const QString &tag);

// The size the tag gives for the video (or else the audio) stream, or -1 when it gives none.
qint64 taggedStreamSize(const QString &tag, bool video);

#endif // SOURCETAG_H
