// SPDX-License-Identifier: MIT
#include "diskflush.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
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
Problem flushFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return failed(folder, QString::fromLocal8Bit(std::strerror(errno)));
    // Some file systems cannot flush a folder on its own and say so; they write it with the file.
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    const QString why = flushed ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return flushed ? Problem() : failed(folder, why);
}
#endif

} // namespace

Problem flushToDisk(const QString &path, const FileIdentity &verified)
{
    PlainFile file(path, PlainFile::ForFlushing);
    if (file.isNotPlain() || (file.isOpen() && file.identity() != verified))
        return Problem(Problem::OutputChanged, path);
    if (!file.isOpen())
        return failed(path, file.errorString());
    QString why;
    if (!file.flush(&why))
        return failed(path, why);
#ifdef Q_OS_WIN
    return Problem();
#else
    return flushFolder(QFileInfo(path).absolutePath());
#endif
}
