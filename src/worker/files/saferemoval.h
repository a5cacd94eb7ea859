// SPDX-License-Identifier: MIT
#ifndef SAFEREMOVAL_H
#define SAFEREMOVAL_H

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "files/folderhandle.h"

// Removal acts on what it checked: every folder is reached from the chosen folder through
// handles opened one step at a time, never through a link, and each step looks again that the
// names it came through still lead to the folders it holds.

// True when path lies below root, never when it is root itself or above it.
bool isStrictlyInside(const QString &root, const QString &path);

// One step of a removal, told just before it is taken: Checked once, when every check has
// passed; then Removing, with the path of each thing about to go. A run cut short (a power cut,
// a kill) stops between any two of them.
struct RemovalStep
{
    enum Kind { Checked, Removing };
    Kind kind = Checked;
    QString path;
};
using RemovalWatch = std::function<void(const RemovalStep &)>;

// Asked just before each thing goes, with its path: false keeps it and stops the removal there.
using RemovalGate = std::function<bool(const QString &path)>;

// The folders from the chosen folder down to one below it, each opened from the one above it.
class FolderChain
{
public:
    // Opens root by its path, then each folder on the way to folder (a path below root, or root
    // itself) by name from the one before.
    FolderChain(const QString &root, const QString &folder);

    // True when every folder on the way opened.
    bool isOpen() const { return blocked.isEmpty(); }
    // Where the way was blocked: the path of the first step that is a link or junction (then
    // blockedByLink), a file, or cannot be opened; empty when the chain is open.
    QString blockedAt() const { return blocked; }
    bool blockedByLink() const { return linkOnTheWay; }

    // How many folders the chain holds below root: root itself is level 0, folder the last one.
    int last() const { return int(folders.size()) - 1; }
    FolderHandle &at(int level) { return folders.at(size_t(level)); }
    QString pathAt(int level) const { return paths.at(level); }

    // The path of the first folder whose name no longer leads to the folder the chain holds
    // (moved away, replaced by a link or by another folder); empty while all are in place.
    // byLink, when given, tells whether a link or junction stands at that name now.
    QString displaced(bool *byLink = nullptr) const;
    // A gate that tells the watch of each step, then lets it pass only while every folder of the
    // chain is still in place.
    RemovalGate gate(const RemovalWatch &watch) const;
    // Removes the folder at that level (not root), everything in it first (see emptyFolder),
    // each thing only once the gate let it pass. The chain ends at that level from then on.
    bool removeFolder(int level, const QString &lastName, const RemovalGate &gate);

private:
    std::vector<FolderHandle> folders;
    QStringList paths;
    QString blocked;
    bool linkOnTheWay = false;
};

// True when the folder holds, at any depth (hidden places too, links not entered), a video.m4s
// or any other media file.
bool containsMedia(const FolderHandle &folder);

// Removes the folder that stands under the name in parent, at path, everything in it first (see
// emptyFolder), and the folder itself once the gate let it pass.
bool removeFolderWhole(FolderHandle &folder, const FolderHandle &parent, const QString &path,
                       const QString &lastName, const RemovalGate &gate);

// Removes everything in the folder at path without ever following a link: a link inside goes as
// a link, a folder inside is opened from this one and emptied first; folders go before files,
// and lastName (if there) goes last of all, so that a removal cut short leaves it. Each thing
// goes only once the gate let it pass. True when nothing remained.
bool emptyFolder(const FolderHandle &folder, const QString &path, const QString &lastName,
                 const RemovalGate &gate);

#endif // SAFEREMOVAL_H
