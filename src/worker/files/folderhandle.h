// SPDX-License-Identifier: MIT
#ifndef FOLDERHANDLE_H
#define FOLDERHANDLE_H

#include <QString>
#include <QStringList>

#include "files/plainfile.h"

// What stands under a name in a folder, looked at without following it.
enum class EntryKind {
    Missing,
    File, // a plain file
    Folder, // a folder that is no link or junction
    Link, // a symbolic link (to anything, or to nothing), a junction, any reparse point
    Other, // a pipe, a device, a socket
};

// A folder held open and reached again only through itself: what lies in it is looked at,
// removed and made by name relative to it, never by a path that could lead elsewhere meanwhile.
// A folder below it is opened from it, one name at a time, and never through a link or
// junction. (rm -r walks a tree this way, and so does Rust's remove_dir_all since the fix of
// CVE-2022-21658.) Two handles of the same folder have equal identities, wherever it was moved.
class FolderHandle
{
public:
    FolderHandle() = default;
    // Opens a folder by its path; links on the way to it are followed, as the user's own choice.
    explicit FolderHandle(const QString &path);
    ~FolderHandle();
    FolderHandle(FolderHandle &&other) noexcept;
    FolderHandle &operator=(FolderHandle &&other) noexcept;
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    // Opens the folder of that name in this one. Invalid when the name holds a link or
    // junction (notFolder then says so), anything else but a folder, or nothing that opens.
    FolderHandle folder(const QString &name) const;

    bool isValid() const;
    // True for a handle that is invalid because its name led to a link, a junction or a file.
    bool notFolder() const { return isNotFolder; }
    // Why it could not be opened, in the system's words.
    QString errorString() const { return error; }
    // The folder's own identity: its volume and file, without size or time.
    FileIdentity identity() const { return id; }

    // The names in the folder but "." and ".."; false when they cannot be read.
    bool entryNames(QStringList *names) const;
    // What stands under the name, not followed.
    EntryKind kindOf(const QString &name) const;
    // The identity of what stands under the name, not followed; invalid when nothing does.
    FileIdentity identityOf(const QString &name) const;
    // True when files may be removed from the folder and made in it.
    bool isWritable() const;
    // Removes what stands under the name as what it was seen to be: a file (a read-only one
    // too), a link as a link, or an empty folder. Nothing is removed when the name holds
    // something of another kind by now.
    bool remove(const QString &name, EntryKind kind) const;
    // Makes a folder of that name in this one.
    bool makeFolder(const QString &name) const;
    // Removes this folder, empty by now, from the parent it stands in under the name, and
    // closes it; nothing is removed when the name holds anything else by now.
    bool removeFrom(const FolderHandle &parent, const QString &name);

    // The descriptor, or on Windows the HANDLE, for the platform's other units.
    qintptr native() const { return handle; }

private:
    void close();

    // -1 (INVALID_HANDLE_VALUE on Windows) when not open.
    qintptr handle = -1;
    bool isNotFolder = false;
    QString error;
    FileIdentity id;
};

#endif // FOLDERHANDLE_H
