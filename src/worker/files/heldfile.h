// SPDX-License-Identifier: MIT
#ifndef HELDFILE_H
#define HELDFILE_H

#include <QString>

#include <functional>

#include "files/folderhandle.h"

// Windows keeps a file that another program holds open (a virus scanner or an indexer for a
// moment, a player for as long as it plays) from being renamed or removed. Other systems never
// do: there nothing here waits.

// How long a file another program holds is waited for before the user is told: a scanner lets
// go within a second or two; a player does not within any wait a user would accept.
constexpr int heldFileWaitMs = 5000;

// True when another program holds the file open in a way that keeps it from being renamed or
// removed (always false where no system does that).
bool heldByAnotherProgram(const QString &path);

// Makes the attempt until no other program keeps it from its work: attempt returns true when a
// file it needs was held. It is made again after a growing pause, for heldFileWaitMs at most.
// True when a file was still held at the last attempt.
bool stillHeldAfterRetries(const std::function<bool()> &attempt);

// Runs the operation on the file until it succeeds; while it fails because another program
// holds the file, again as stillHeldAfterRetries does. True when it succeeded.
bool whenNotHeld(const QString &path, const std::function<bool()> &operation);

// The right to remove one file of a folder held open, taken before anything is removed, so that
// an item never loses one stream while the other stays. On Windows it is a handle that may
// delete the file, opened from the folder's own: while it is open, no other program can open
// the file in a way that would keep it from going. Where files are never held, it is a look at
// whether the file may go (its folder writable, the file not marked immutable or append-only).
class RemovalClaim
{
public:
    RemovalClaim(const FolderHandle &folder, const QString &name);
    ~RemovalClaim();
    RemovalClaim(const RemovalClaim &) = delete;
    RemovalClaim &operator=(const RemovalClaim &) = delete;

    // True when another program holds the file now: it may go once that program lets go.
    bool isHeld() const;
    // True when the file can be removed now (a file that is gone already can).
    bool mayGo() const;
    // Removes the claimed file (a read-only one too). A file that is gone already counts as
    // removed.
    bool remove();

private:
    const FolderHandle &folder;
    QString name;
    // Windows: the handle that may delete the file, and why it could not be opened.
    [[maybe_unused]] void *handle = nullptr;
    [[maybe_unused]] unsigned long error = 0;
    // POSIX systems: whether the file may go.
    [[maybe_unused]] bool removable = false;
};

#endif // HELDFILE_H
