// SPDX-License-Identifier: MIT
#include "heldfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include "saferemoval.h"

#ifdef Q_OS_LINUX
#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <windows.h>

namespace {

HANDLE openForRemoval(const QString &path, DWORD *error)
{
    // Asking for the right to delete, and letting others do anything but keep it: this fails
    // only while someone holds the file without letting it be deleted.
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()),
                    DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    *error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    return handle;
}

bool isHeldError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

} // namespace

bool heldByAnotherProgram(const QString &path)
{
    DWORD error = 0;
    const HANDLE handle = openForRemoval(path, &error);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return isHeldError(error);
}

RemovalClaim::RemovalClaim(const QString &path) : path(path)
{
    DWORD failed = 0;
    handle = openForRemoval(path, &failed);
    error = failed;
}

RemovalClaim::~RemovalClaim()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool RemovalClaim::isHeld() const
{
    return isHeldError(error);
}

bool RemovalClaim::mayGo() const
{
    return handle != INVALID_HANDLE_VALUE || error == ERROR_FILE_NOT_FOUND
        || error == ERROR_PATH_NOT_FOUND;
}

bool RemovalClaim::remove()
{
    if (handle == INVALID_HANDLE_VALUE)
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || removeFile(path);
    // Windows refuses to delete a read-only file: the flag goes first, through the same handle.
    FILE_BASIC_INFO basic = {};
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic))
        && (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~DWORD(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition = { TRUE };
    const bool marked =
        SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
    CloseHandle(handle); // the file goes with the last handle to it: ours, as no one else holds it
    handle = INVALID_HANDLE_VALUE;
    return marked;
}

#else

bool heldByAnotherProgram(const QString &path)
{
    Q_UNUSED(path);
    return false;
}

RemovalClaim::RemovalClaim(const QString &path) : path(path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        removable = true;
        return;
    }
    // Removing a name changes its folder, and an immutable or append-only file (Linux's
    // chattr) cannot go even then.
    removable = QFileInfo(info.absolutePath()).isWritable();
#ifdef Q_OS_LINUX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
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
    const QFileInfo info(path);
    return (!info.exists() && !info.isSymLink()) || removeFile(path);
}

#endif

bool stillHeldAfterRetries(const std::function<bool()> &attempt)
{
    QElapsedTimer waited;
    waited.start();
    for (int pause = 50;; pause = qMin(pause * 2, 1000)) {
        if (!attempt())
            return false;
        if (waited.elapsed() >= heldFileWaitMs)
            return true;
        QThread::msleep(pause);
    }
}

bool whenNotHeld(const QString &path, const std::function<bool()> &operation)
{
    bool done = false;
    stillHeldAfterRetries([&] {
        done = operation();
        return !done && heldByAnotherProgram(path);
    });
    return done;
}
