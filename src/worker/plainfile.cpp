// SPDX-License-Identifier: MIT
#include "plainfile.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN

PlainFile::PlainFile(const QString &path, Access access) : handle(INVALID_HANDLE_VALUE)
{
    // The link or junction itself is opened, never what it points to; a folder opens too (and is
    // then seen for what it is). Others may go on reading, writing and renaming meanwhile.
    const QString native = QDir::toNativeSeparators(path);
    HANDLE opened =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()),
                    access == ForFlushing ? GENERIC_READ | GENERIC_WRITE : FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        error = QStringLiteral("error %1").arg(GetLastError());
        return;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(opened, &info)) {
        error = QStringLiteral("error %1").arg(GetLastError());
        CloseHandle(opened);
        return;
    }
    if (GetFileType(opened) != FILE_TYPE_DISK
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        notPlain = true;
        error = QStringLiteral("not a plain file");
        CloseHandle(opened);
        return;
    }
    handle = opened;
    id.volume = info.dwVolumeSerialNumber;
    id.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.modified =
        (qint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
}

PlainFile::~PlainFile()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool PlainFile::isOpen() const
{
    return handle != INVALID_HANDLE_VALUE;
}

bool PlainFile::flush(QString *why)
{
    if (FlushFileBuffers(handle))
        return true;
    *why = QStringLiteral("FlushFileBuffers failed with error %1").arg(GetLastError());
    return false;
}

#else

PlainFile::PlainFile(const QString &path, Access access)
{
    Q_UNUSED(access); // a read-only descriptor may be flushed too
    // No link followed at the name, and a pipe opened without waiting for a writer.
    fd =
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
        fd = -1;
        return;
    }
    id.volume = quint64(info.st_dev);
    id.file = quint64(info.st_ino);
    id.size = qint64(info.st_size);
    id.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

PlainFile::~PlainFile()
{
    if (fd >= 0)
        ::close(fd);
}

bool PlainFile::isOpen() const
{
    return fd >= 0;
}

bool PlainFile::flush(QString *why)
{
    if (::fsync(fd) == 0)
        return true;
    *why = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

#endif

FileIdentity identityOf(const QString &path)
{
    return PlainFile(path, PlainFile::ReadOnly).identity();
}
