// SPDX-License-Identifier: MIT
#ifndef SYSTEMPATH_H
#define SYSTEMPATH_H

#include <QByteArray>
#include <QFileInfo>
#include <QString>

// How this system names and reaches files, where POSIX systems and Windows differ.

// Whether two spellings of a path that differ only in case name the same file. Where a file
// system ignores case though the system does not (macOS), case counts: a path is then taken
// for inside a folder less often, never more.
Qt::CaseSensitivity pathCaseSensitivity();

// True when the system cannot open a path this long (on Windows Qt works around the old limit).
bool pathTooLongToOpen(const QString &path);

// True when a folder's entries can be listed: on POSIX systems it must be entered too.
bool folderListable(const QFileInfo &folder);

// The path as this system's C libraries take it: FFmpeg takes UTF-8 on Windows and turns it
// into the wide names Windows wants; elsewhere the local encoding.
QByteArray pathForCLibrary(const QString &path);

// The file name of a program ("ffmpeg.exe" on Windows).
QString programFileName(const QString &program);

#endif // SYSTEMPATH_H
