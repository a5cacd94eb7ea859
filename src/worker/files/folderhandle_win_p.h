// SPDX-License-Identifier: MIT
#ifndef FOLDERHANDLE_WIN_P_H
#define FOLDERHANDLE_WIN_P_H

// What the Windows units of files/ share about opening names relative to an open folder.

#include <QString>

#include <windows.h>

// Opens a name relative to an open folder (the reparse point itself, if it is one), sharing it
// with everyone: NtCreateFile with a root directory, the one way Windows has of doing that.
// disposition and options are NtCreateFile's (FILE_OPEN, FILE_NON_DIRECTORY_FILE, …); error
// is set to the Win32 error when it fails.
HANDLE openRelative(qintptr folder, const QString &name, ACCESS_MASK access, ULONG disposition,
                    ULONG options, DWORD *error);

// Marks an open file or folder for deletion, which happens as its last handle closes; a read-only
// file loses that flag first, through the same handle.
bool deleteByHandle(HANDLE handle);

#endif // FOLDERHANDLE_WIN_P_H
