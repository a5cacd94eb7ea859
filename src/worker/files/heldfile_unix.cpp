// SPDX-License-Identifier: MIT
#include "files/heldfile.h"

#ifdef Q_OS_LINUX
#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

bool heldByAnotherProgram(const QString &path)
{
    Q_UNUSED(path);
    return false;
}

RemovalClaim::RemovalClaim(const FolderHandle &folder, const QString &name)
    : folder(folder),
      name(name)
{
    const EntryKind kind = folder.kindOf(name);
    if (kind == EntryKind::Missing) {
        removable = true;
        return;
    }
    // Removing a name changes its folder, and an immutable or append-only file (Linux's
    // chattr) cannot go even then. Only a plain file is a stream that may go.
    removable = kind == EntryKind::File && folder.isWritable();
#ifdef Q_OS_LINUX
    const int fd = ::openat(int(folder.native()), QFile::encodeName(name).constData(),
                            O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)))
        removable = false;
    if (fd >= 0)
        ::close(fd);
#endif
}

RemovalClaim::~RemovalClaim() = default;

bool RemovalClaim::isHeld() const
{
    return false;
}

bool RemovalClaim::mayGo() const
{
    return removable;
}

bool RemovalClaim::remove()
{
    return folder.kindOf(name) == EntryKind::Missing || folder.remove(name, EntryKind::File);
}
