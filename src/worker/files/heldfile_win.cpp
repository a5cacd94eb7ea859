// SPDX-License-Identifier: MIT
#include "files/heldfile.h"

#include <QDir>

#include <windows.h>

#include "files/saferemoval.h"

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
