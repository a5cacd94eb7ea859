// SPDX-License-Identifier: MIT
#include "files/plainfile.h"

#include <QDir>

#include <windows.h>

PlainFile::PlainFile(const QString &path, Access access)
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
    handle = reinterpret_cast<qintptr>(opened);
    id.volume = info.dwVolumeSerialNumber;
    id.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.modified =
        (qint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
}

PlainFile::~PlainFile()
{
    if (isOpen())
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool PlainFile::isOpen() const
{
    return handle != reinterpret_cast<qintptr>(INVALID_HANDLE_VALUE);
}

bool PlainFile::flush(QString *why)
{
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(handle)))
        return true;
    *why = QStringLiteral("FlushFileBuffers failed with error %1").arg(GetLastError());
    return false;
}

void PlainFile::adviseReading(qint64 from, qint64 length) const
{
    Q_UNUSED(from);
    Q_UNUSED(length);
}

bool flushFolder(const QString &folder, QString *why)
{
    Q_UNUSED(folder);
    Q_UNUSED(why);
    return true;
}
