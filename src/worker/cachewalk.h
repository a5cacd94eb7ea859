// SPDX-License-Identifier: MIT
#ifndef CACHEWALK_H
#define CACHEWALK_H

#include <QDirIterator>
#include <QString>

// Walks a cache folder lazily and yields every video.m4s (any case) at any depth; hidden
// folders and symbolic links are left out. Nothing is listed beforehand.
class CacheWalk
{
public:
    explicit CacheWalk(const QString &root);

    bool hasNext() const { return walk.hasNext(); }
    // Advances to the next video.m4s; its path and folder are then available.
    void next() { walk.next(); }
    QString videoFile() const { return walk.fileInfo().absoluteFilePath(); }
    QString videoFolder() const { return walk.fileInfo().path(); }

private:
    QDirIterator walk;
};

// How many items a run over the folder would meet, counted without keeping a list.
int countCacheItems(const QString &root);

#endif // CACHEWALK_H
