// SPDX-License-Identifier: MIT
#ifndef REMAINS_H
#define REMAINS_H

#include <QString>
#include <QStringList>

#include "files/folderhandle.h"
#include "item/goneitem.h"

// What an item folder holds once a removal of it was cut short (by a power cut, a kill) after
// its video.m4s went: nothing but the item's entry.json, empty folders, and at most one folder
// that holds nothing but an audio.m4s (an older version removed the video first).
struct RemainsContent
{
    bool entryJson = false;
    QStringList emptyFolders; // the "remove1111" marker among them
    QString audioFolder; // the folder that holds nothing but an audio.m4s, if one does
    qint64 audioSize = -1;
    bool other = false; // anything else is there: no remains of an item

    bool operator==(const RemainsContent &other) const;
    bool operator!=(const RemainsContent &other) const { return !(*this == other); }
};

// Reads what the folder holds, never entering a link.
RemainsContent contentOf(const FolderHandle &folder);

// What is left of an item beside its own output.
struct Remains
{
    QString itemFolder;
    QString videoFolder; // the one its output's tag names
    QString outputFile; // empty when the folder is no remains of an item
    RemainsContent content;

    bool isValid() const { return !outputFile.isEmpty(); }
};

// Recognises what a removal cut short left of an item in the folder (below root, or root
// itself): its content holds nothing but what RemainsContent allows and something that may go
// (root itself never does, nor its entry.json), and the folder above holds an output whose tag
// names this item (and the folder its audio.m4s is in, with that audio's very size, or one of
// the empty ones), made after its entry.json was last written: a download queued again since
// is no remains. Invalid when the folder is anything else.
Remains recogniseRemains(const QString &folder, const QString &root, OutputIndex &outputs);

#endif // REMAINS_H
