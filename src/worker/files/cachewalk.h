// SPDX-License-Identifier: MIT
#ifndef CACHEWALK_H
#define CACHEWALK_H

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <vector>

#include "files/plainfile.h"
#include "records/problem.h"

// Walks a cache folder lazily and yields every video.m4s (any case) at any depth; hidden
// entries and symbolic links are left out. Only the folders on the way down are listed, one at
// a time, and no folder is held open (Windows cannot remove a folder someone holds open, and
// the run removes item folders while it walks). A folder that cannot be read is not passed
// over in silence: it becomes a problem the caller can report.
// Paths below one folder, kept compactly: each as what follows the folder's path, in UTF-8, in
// one block. A hundred thousand of them cost a few MiB, not the ten a list of strings takes.
class PathList
{
public:
    explicit PathList(const QString &folder = QString());

    void append(const QString &path); // a path below the folder, or any other absolute path
    void appendName(const QString &name); // the name of an entry of the folder itself
    int size() const { return int(starts.size()); }
    QString at(int index) const; // the whole path again

private:
    void store(const QString &text, bool whole);

    QString prefix; // the folder with its trailing slash
    static constexpr quint32 wholePath = 0x80000000u;
    QByteArray paths; // each one ends with a NUL, which no path holds
    std::vector<quint32> starts; // where each begins in paths; wholePath: not below the folder
};

class CacheWalk
{
public:
    // isWorkingFile picks out files the run itself makes, which the walk then gathers too.
    explicit CacheWalk(const QString &root,
                       std::function<bool(const QString &name)> isWorkingFile = {});

    // Looks ahead for the next video.m4s; problems met on the way are kept for takeProblems.
    bool hasNext();
    // Advances to the next video.m4s; its path and folder are then available.
    void next();
    QString videoFile() const { return current.absoluteFilePath(); }
    QString videoFolder() const { return current.path(); }

    // The folders met since the last call that could not be read.
    QVector<Problem> takeProblems();
    // The folders walked through that hold no video.m4s at any depth and are either empty or
    // hold an entry.json: what a removal cut short may have left of an item. Complete once
    // hasNext has said there is nothing more.
    const PathList &remains() const { return leftOfItems; }
    // The working files met so far (see the constructor).
    const PathList &workingFiles() const { return working; }

private:
    // Names only: a folder of ten thousand items costs ten thousand short strings, not as many
    // file descriptions.
    struct Listing
    {
        PathList names;
        QString folder;
        FileIdentity id; // which folder the path led to
        int next = 0;
        bool hasEntryJson = false;
        bool videoBelow = false;
    };
    void enter(const QString &folder);
    void leave();

    std::function<bool(const QString &)> isWorkingFile;
    std::vector<Listing> open;
    QFileInfo found;
    QFileInfo current;
    bool hasFound = false;
    QVector<Problem> problems;
    PathList leftOfItems;
    PathList working;
};

// How many items a run over the folder would meet, counted without keeping a list.
int countCacheItems(const QString &root);

// Every item below a folder, found before the first is converted, what cut-short removals may
// have left, the working files met, and the folders that could not be read on the way.
struct CacheInventory
{
    PathList videoFiles;
    PathList remains; // see CacheWalk::remains
    PathList workingFiles; // see CacheWalk::workingFiles
    QVector<Problem> problems;
};
CacheInventory takeInventory(const QString &root,
                             const std::function<bool(const QString &name)> &isWorkingFile = {});

#endif // CACHEWALK_H
