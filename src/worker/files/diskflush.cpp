// SPDX-License-Identifier: MIT
#include "files/diskflush.h"

#include <QFileInfo>

namespace {

Problem failed(const QString &path, const QString &why)
{
    Problem problem(Problem::FlushFailed, path);
    problem.detail = why;
    return problem;
}
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
    const QString folder = QFileInfo(path).absolutePath();
    return flushFolder(folder, &why) ? Problem() : failed(folder, why);
}
