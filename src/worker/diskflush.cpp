// SPDX-License-Identifier: MIT
#include "diskflush.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

Problem failed(const QString &path, const QString &why)
{
    Problem problem(Problem::FlushFailed, path);
    problem.detail = why;
    return problem;
}

#ifndef Q_OS_WIN
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

Problem flushFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return failed(folder, systemError());
    // Some file systems cannot flush a folder on its own and say so; they write it with the file.
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    const QString why = flushed ? QString() : systemError();
    ::close(fd);
    return flushed ? Problem() : failed(folder, why);
}
#endif

} // namespace

Problem flushToDisk(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return failed(path, QStringLiteral("not a plain file"));
    QFile file(path);
#ifdef Q_OS_WIN
    // FlushFileBuffers wants a handle that may write; nothing is written.
    if (!file.open(QIODevice::ReadWrite))
        return failed(path, file.errorString());
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (!FlushFileBuffers(handle))
        return failed(path,
                      QStringLiteral("FlushFileBuffers failed with error %1").arg(GetLastError()));
    return Problem();
#else
    if (!file.open(QIODevice::ReadOnly))
        return failed(path, file.errorString());
    if (::fsync(file.handle()) != 0)
        return failed(path, systemError());
    file.close();
    return flushFolder(QFileInfo(path).absolutePath());
#endif
}
