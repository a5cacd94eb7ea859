// SPDX-License-Identifier: MIT
#include "files/heldfile.h"

#include <QDir>

#include <windows.h>
#include <winternl.h>

#include "files/folderhandle_win_p.h"

namespace {

// Asking for the right to delete, and letting others do anything but keep it: this fails only
// while someone holds the file without letting it be deleted.
constexpr ACCESS_MASK removalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

bool isHeldError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool isGoneError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

bool heldByAnotherProgram(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), removalAccess,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return isHeldError(error);
}

RemovalClaim::RemovalClaim(const FolderHandle &folder, const QString &name)
    : folder(folder),
      name(name)
{
    DWORD failed = 0;
    handle = openRelative(folder.native(), name, removalAccess, FILE_OPEN, FILE_NON_DIRECTORY_FILE,
                          &failed);
    // A stream that is a link is no stream of the item: it never goes in its place.
    BY_HANDLE_FILE_INFORMATION info;
    if (handle != INVALID_HANDLE_VALUE
        && (!GetFileInformationByHandle(handle, &info)
            || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        failed = ERROR_ACCESS_DENIED;
    }
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
    return handle != INVALID_HANDLE_VALUE || isGoneError(error);
}

bool RemovalClaim::remove()
{
    if (handle == INVALID_HANDLE_VALUE)
        return isGoneError(error);
    // The file goes with the last handle to it: ours, as no one else holds it.
    const bool marked = deleteByHandle(handle);
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    return marked;
}
