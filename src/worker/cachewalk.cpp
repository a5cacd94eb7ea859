// SPDX-License-Identifier: MIT
#include "cachewalk.h"

CacheWalk::CacheWalk(const QString &root)
    : walk(root, { QStringLiteral("video.m4s") }, QDir::Files | QDir::NoSymLinks,
           QDirIterator::Subdirectories)
{
}

int countCacheItems(const QString &root)
{
    int count = 0;
    for (CacheWalk walk(root); walk.hasNext(); walk.next())
        ++count;
    return count;
}
