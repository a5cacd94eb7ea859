// SPDX-License-Identifier: MIT
#include "files/plainrename.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

bool renameWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
#endif
    // NFS, SMB and most FUSE file systems refuse the no-replace rename. A link and an unlink
    // instead (Qt's way) would make the output a new file there, one that no longer passes for
    // the file that was checked. A plain rename keeps it, once nothing is seen at the name:
    // the name's lock keeps every other run from writing there meanwhile.
    struct stat standing;
    if (::lstat(target.constData(), &standing) == 0 || errno != ENOENT)
        return false;
    return ::rename(source.constData(), target.constData()) == 0;
}
