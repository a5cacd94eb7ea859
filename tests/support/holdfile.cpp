// SPDX-License-Identifier: MIT
// holdfile PATH MILLISECONDS [--share-writes]: opens the file (on Windows, a folder too) as
// another program would (a player, a virus scanner, a window showing the folder), letting others
// read it (and write it, with --share-writes) but not delete or rename it, says "holding" on its
// output, and lets go after the given time. Only Windows keeps a held file from going; elsewhere
// the file is merely open.
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

#ifdef Q_OS_WIN
#include <QDir>

#include <windows.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 2;
    const QString path = arguments.at(1);
    const unsigned long milliseconds = arguments.at(2).toULong();
#ifdef Q_OS_WIN
    const DWORD share = arguments.contains(QStringLiteral("--share-writes"))
        ? FILE_SHARE_READ | FILE_SHARE_WRITE
        : FILE_SHARE_READ;
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE held =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ, share, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
#else
    QFile held(path);
    if (!held.open(QIODevice::ReadOnly))
        return 1;
#endif
    std::printf("holding\n");
    std::fflush(stdout);
    QThread::msleep(milliseconds);
#ifdef Q_OS_WIN
    CloseHandle(held);
#endif
    return 0;
}
