// SPDX-License-Identifier: MIT
#ifndef SAFEREMOVAL_H
#define SAFEREMOVAL_H

#include <QString>

class QFileInfo;

// True for a symbolic link, and on Windows also for a junction: removal never enters either.
bool isLinkOrJunction(const QFileInfo &info);

// True when path lies below root, never when it is root itself or above it.
bool isStrictlyInside(const QString &root, const QString &path);

// True when the folder holds a file named video.m4s (any case, hidden places included) at any
// depth, not counting what lies behind links.
bool containsVideoStream(const QString &folder);

// Removes a folder and everything in it without ever following a link: links inside are removed
// as links, and a folder that is itself a link is left alone. Returns true when nothing remained.
bool removeFolderTree(const QString &folder);

#endif // SAFEREMOVAL_H
