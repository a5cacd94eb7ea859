// SPDX-License-Identifier: MIT
#ifndef SAFEREMOVAL_H
#define SAFEREMOVAL_H

#include <QString>

class QFileInfo;

// True for a symbolic link, and on Windows also for a junction: removal never enters either.
bool isLinkOrJunction(const QFileInfo &info);

// True when path lies below root, never when it is root itself or above it.
bool isStrictlyInside(const QString &root, const QString &path);

// True when the folder holds, at any depth (hidden places included, links not followed), a
// video.m4s or any other media file: a stream or video that no conversion has accounted for.
bool containsMedia(const QString &folder);

// The first link or junction met going from root down to path (path itself included), or
// empty when there is none: removal never goes through one, even if it appeared mid-run.
QString linkOnTheWay(const QString &root, const QString &path);

// Removes one file, a read-only one too (Windows refuses those until the flag is cleared).
bool removeFile(const QString &path);

// Removes a folder and everything in it without ever following a link: links inside are removed
// as links, and a folder that is itself a link is left alone. Returns true when nothing remained.
bool removeFolderTree(const QString &folder);

#endif // SAFEREMOVAL_H
