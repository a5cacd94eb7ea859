// SPDX-License-Identifier: MIT
#include "files/folderhandle.h"
#include "files/folderhandle_win_p.h"

#include <QDir>

#include <vector>

#include <windows.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtQueryAttributesFile(POBJECT_ATTRIBUTES attributes,
                                                PFILE_BASIC_INFORMATION information);

namespace {

// A name in an open folder, as the system's native calls take it.
struct RelativeName
{
    RelativeName(qintptr folder, const QString &name)
    {
        unicodeName.Buffer = reinterpret_cast<PWSTR>(const_cast<ushort *>(name.utf16()));
        unicodeName.Length = USHORT(name.size() * sizeof(wchar_t));
        unicodeName.MaximumLength = unicodeName.Length;
        InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE,
                                   reinterpret_cast<HANDLE>(folder), nullptr);
    }
    UNICODE_STRING unicodeName;
    OBJECT_ATTRIBUTES attributes;
};

// True when the folder lists the name as a reparse point (a junction, a symbolic link). Windows
// says so of a handle opened to the reparse point itself as well; Wine only here.
bool listedAsReparsePoint(qintptr folder, const QString &name)
{
    RelativeName relative(folder, name);
    FILE_BASIC_INFORMATION info;
    return NtQueryAttributesFile(&relative.attributes, &info) >= 0
        && (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

QString systemWords(DWORD error)
{
    return QStringLiteral("error %1").arg(error);
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK folderAccess =
    FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE;

struct HandleInfo
{
    bool known = false;
    DWORD attributes = 0;
    bool onDisk = true;
    FileIdentity id;
};

HandleInfo infoOf(HANDLE handle)
{
    HandleInfo result;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return result;
    result.known = true;
    result.attributes = info.dwFileAttributes;
    result.onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    result.id.volume = info.dwVolumeSerialNumber;
    result.id.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    // A folder changes its time whenever an entry comes or goes; it stays itself.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.id.size = 0;
    } else {
        result.id.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        result.id.modified = (qint64(info.ftLastWriteTime.dwHighDateTime) << 32)
            | info.ftLastWriteTime.dwLowDateTime;
    }
    return result;
}

// What stands under the name in the folder, looked at through a handle of its own.
HandleInfo infoOfEntry(qintptr folder, const QString &name)
{
    DWORD failed = 0;
    const HANDLE opened = folder != -1
        ? openRelative(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, &failed)
        : INVALID_HANDLE_VALUE;
    if (opened == INVALID_HANDLE_VALUE)
        return HandleInfo();
    HandleInfo info = infoOf(opened);
    CloseHandle(opened);
    if (listedAsReparsePoint(folder, name))
        info.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return info;
}

EntryKind kindFrom(const HandleInfo &info)
{
    if (!info.known)
        return EntryKind::Missing;
    if (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    if (info.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    return info.onDisk ? EntryKind::File : EntryKind::Other;
}

} // namespace

HANDLE openRelative(qintptr folder, const QString &name, ACCESS_MASK access, ULONG disposition,
                    ULONG options, DWORD *error)
{
    RelativeName relative(folder, name);
    OBJECT_ATTRIBUTES &attributes = relative.attributes;
    IO_STATUS_BLOCK status = {};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result =
        NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr,
                     FILE_ATTRIBUTE_NORMAL, shareAll, disposition,
                     options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT
                         | FILE_OPEN_FOR_BACKUP_INTENT,
                     nullptr, 0);
    if (result < 0) {
        *error = RtlNtStatusToDosError(result);
        return INVALID_HANDLE_VALUE;
    }
    *error = 0;
    return opened;
}

bool deleteByHandle(HANDLE handle)
{
    FILE_BASIC_INFO basic = {};
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic))
        && (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~DWORD(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition = { TRUE };
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof(disposition));
}

FolderHandle::FolderHandle(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE opened =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), folderAccess, shareAll,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        error = systemWords(GetLastError());
        return;
    }
    const HandleInfo info = infoOf(opened);
    if (!(info.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        isNotFolder = true;
        error = QStringLiteral("not a folder");
        CloseHandle(opened);
        return;
    }
    handle = reinterpret_cast<qintptr>(opened);
    id = info.id;
}

void FolderHandle::close()
{
    if (isValid())
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
}

bool FolderHandle::isValid() const
{
    return handle != -1 && handle != reinterpret_cast<qintptr>(INVALID_HANDLE_VALUE);
}

FolderHandle FolderHandle::folder(const QString &name) const
{
    FolderHandle child;
    if (!isValid())
        return child;
    // With the right to delete it, where that is granted and no other program keeps it: a folder
    // held open is deleted only through its own handle (another would leave it pending, and its
    // parent not empty).
    DWORD failed = 0;
    HANDLE opened =
        openRelative(handle, name, folderAccess | DELETE, FILE_OPEN, FILE_DIRECTORY_FILE, &failed);
    if (opened == INVALID_HANDLE_VALUE
        && (failed == ERROR_ACCESS_DENIED || failed == ERROR_SHARING_VIOLATION))
        opened = openRelative(handle, name, folderAccess, FILE_OPEN, FILE_DIRECTORY_FILE, &failed);
    if (opened == INVALID_HANDLE_VALUE) {
        child.error = systemWords(failed);
        child.isNotFolder = failed == ERROR_DIRECTORY || kindOf(name) == EntryKind::Link;
        return child;
    }
    // The reparse point itself was opened: a junction or a link is never entered.
    const HandleInfo info = infoOf(opened);
    if (kindFrom(info) != EntryKind::Folder || listedAsReparsePoint(handle, name)) {
        child.isNotFolder = true;
        child.error = QStringLiteral("a link or junction");
        CloseHandle(opened);
        return child;
    }
    child.handle = reinterpret_cast<qintptr>(opened);
    child.id = info.id;
    return child;
}

bool FolderHandle::entryNames(QStringList *names) const
{
    names->clear();
    if (!isValid())
        return false;
    std::vector<char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    for (;;) {
        if (!GetFileInformationByHandleEx(reinterpret_cast<HANDLE>(handle), kind, buffer.data(),
                                          DWORD(buffer.size())))
            return GetLastError() == ERROR_NO_MORE_FILES;
        kind = FileIdBothDirectoryInfo;
        for (size_t at = 0;;) {
            const auto *entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(buffer.data() + at);
            const QString name = QString::fromWCharArray(
                entry->FileName, int(entry->FileNameLength / sizeof(wchar_t)));
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                names->append(name);
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

EntryKind FolderHandle::kindOf(const QString &name) const
{
    return kindFrom(infoOfEntry(handle, name));
}

FileIdentity FolderHandle::identityOf(const QString &name) const
{
    const HandleInfo info = infoOfEntry(handle, name);
    return info.known ? info.id : FileIdentity();
}

bool FolderHandle::isWritable() const
{
    // Windows answers for each file when it is opened to be deleted.
    return isValid();
}

bool FolderHandle::remove(const QString &name, EntryKind kind) const
{
    if (!isValid())
        return false;
    const ULONG options = kind == EntryKind::File ? FILE_NON_DIRECTORY_FILE
        : kind == EntryKind::Folder               ? FILE_DIRECTORY_FILE
                                                  : 0;
    DWORD failed = 0;
    const HANDLE opened =
        openRelative(handle, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_OPEN,
                     options, &failed);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    // What was opened is what goes: it must still be what it was seen to be.
    const bool removed = kindFrom(infoOf(opened)) == kind && deleteByHandle(opened);
    CloseHandle(opened);
    return removed;
}

bool FolderHandle::makeFolder(const QString &name) const
{
    DWORD failed = 0;
    const HANDLE made = isValid()
        ? openRelative(handle, name, FILE_LIST_DIRECTORY, FILE_CREATE, FILE_DIRECTORY_FILE, &failed)
        : INVALID_HANDLE_VALUE;
    if (made == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(made);
    return true;
}

bool FolderHandle::removeFrom(const FolderHandle &parent, const QString &name)
{
    if (!isValid() || !parent.identityOf(name).isSameFile(id))
        return false;
    // Through its own handle, which holds the right to delete it; another would leave it pending
    // while this one is open.
    const bool removed = deleteByHandle(reinterpret_cast<HANDLE>(handle));
    if (!removed) {
        // Opened without that right: the name is deleted instead, once this handle is closed.
        close();
        return parent.remove(name, EntryKind::Folder);
    }
    close();
    return true;
}
