// SPDX-License-Identifier: MIT
#include "files/folderhandle.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileIdentity identityFrom(const struct stat &info)
{
    FileIdentity id;
    id.volume = quint64(info.st_dev);
    id.file = quint64(info.st_ino);
    // A folder changes its size and time whenever an entry comes or goes; it stays itself.
    if (!S_ISDIR(info.st_mode)) {
        id.size = qint64(info.st_size);
        id.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    } else {
        id.size = 0;
    }
    return id;
}

EntryKind kindFrom(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISLNK(mode))
        return EntryKind::Link;
    return EntryKind::Other;
}

} // namespace

FolderHandle::FolderHandle(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        error = systemWords(errno);
        isNotFolder = errno == ENOTDIR;
        if (fd >= 0)
            ::close(fd);
        return;
    }
    handle = fd;
    id = identityFrom(info);
}

void FolderHandle::close()
{
    if (handle >= 0)
        ::close(int(handle));
    handle = -1;
}

bool FolderHandle::isValid() const
{
    return handle >= 0;
}

FolderHandle FolderHandle::folder(const QString &name) const
{
    FolderHandle child;
    if (!isValid())
        return child;
    // O_NOFOLLOW: a link at the name is refused, not entered.
    const int fd = ::openat(int(handle), QFile::encodeName(name).constData(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        child.error = systemWords(errno);
        child.isNotFolder = errno == ELOOP || errno == ENOTDIR;
        if (fd >= 0)
            ::close(fd);
        return child;
    }
    child.handle = fd;
    child.id = identityFrom(info);
    return child;
}

bool FolderHandle::entryNames(QStringList *names) const
{
    names->clear();
    // The listing reads through a descriptor of its own, which closedir closes.
    const int listing =
        isValid() ? ::openat(int(handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    DIR *entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return false;
    }
    while (const struct dirent *entry = ::readdir(entries)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names->append(QFile::decodeName(entry->d_name));
    }
    ::closedir(entries);
    return true;
}

EntryKind FolderHandle::kindOf(const QString &name) const
{
    struct stat info;
    if (!isValid()
        || ::fstatat(int(handle), QFile::encodeName(name).constData(), &info, AT_SYMLINK_NOFOLLOW)
            != 0)
        return EntryKind::Missing;
    return kindFrom(info.st_mode);
}

FileIdentity FolderHandle::identityOf(const QString &name) const
{
    struct stat info;
    if (!isValid()
        || ::fstatat(int(handle), QFile::encodeName(name).constData(), &info, AT_SYMLINK_NOFOLLOW)
            != 0)
        return FileIdentity();
    return identityFrom(info);
}

bool FolderHandle::isWritable() const
{
    // Removing a name, or making one, changes the folder: it must be writable and enterable.
    return isValid() && ::faccessat(int(handle), ".", W_OK | X_OK, AT_EACCESS) == 0;
}

bool FolderHandle::remove(const QString &name, EntryKind kind) const
{
    if (!isValid() || kindOf(name) != kind)
        return false;
    const QByteArray encoded = QFile::encodeName(name);
    return ::unlinkat(int(handle), encoded.constData(),
                      kind == EntryKind::Folder ? AT_REMOVEDIR : 0)
        == 0;
}

bool FolderHandle::makeFolder(const QString &name) const
{
    return isValid() && ::mkdirat(int(handle), QFile::encodeName(name).constData(), 0777) == 0;
}

bool FolderHandle::removeFrom(const FolderHandle &parent, const QString &name)
{
    if (!isValid() || !parent.identityOf(name).isSameFile(id))
        return false;
    close();
    return ::unlinkat(int(parent.handle), QFile::encodeName(name).constData(), AT_REMOVEDIR) == 0;
}
