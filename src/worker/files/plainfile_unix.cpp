// SPDX-License-Identifier: MIT
#include "files/plainfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PlainFile::PlainFile(const QString &path, Access access)
{
    Q_UNUSED(access); // a read-only descriptor may be flushed too
    // No link followed at the name, and a pipe opened without waiting for a writer.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        notPlain = errno == ELOOP;
        error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        notPlain = true;
        error = QStringLiteral("not a plain file");
        ::close(fd);
        return;
    }
    handle = fd;
    id.volume = quint64(info.st_dev);
    id.file = quint64(info.st_ino);
    id.size = qint64(info.st_size);
    id.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

PlainFile::~PlainFile()
{
    if (isOpen())
        ::close(int(handle));
}

bool PlainFile::isOpen() const
{
    return handle >= 0;
}

bool PlainFile::flush(QString *why)
{
    if (::fsync(int(handle)) == 0)
        return true;
    *why = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

void PlainFile::adviseReading(qint64 from, qint64 length) const
{
    if (isOpen())
        ::posix_fadvise(int(handle), off_t(from), off_t(length), POSIX_FADV_WILLNEED);
}

bool flushFolder(const QString &folder, QString *why)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Some file systems cannot flush a folder on its own and say so; they write it with the file.
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    if (!flushed)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return flushed;
}
