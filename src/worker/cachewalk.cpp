// SPDX-License-Identifier: MIT
#include "cachewalk.h"

#include <QDir>

namespace {

const QDir::Filters visible = QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot;

// Paths beyond this cannot be opened by the system: on Windows Qt works around the old limit.
bool isTooLong(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return path.toLocal8Bit().size() >= 4096;
#endif
}

} // namespace

CacheWalk::CacheWalk(const QString &root)
{
    enter(root);
}

void CacheWalk::enter(const QString &folder)
{
    if (isTooLong(folder)) {
        problems.append(Problem(Problem::PathTooLong, folder));
        return;
    }
    const QFileInfo info(folder);
    bool readable = info.isReadable();
#ifdef Q_OS_UNIX
    readable =
        readable && info.isExecutable(); // a folder can be listed only when it can be entered
#endif
    if (!readable) {
        problems.append(Problem(Problem::FolderUnreadable, folder));
        return;
    }
    open.push_back({ QDir(folder).entryInfoList(visible, QDir::NoSort), 0 });
}

bool CacheWalk::hasNext()
{
    while (!hasFound && !open.empty()) {
        Listing &folder = open.back();
        if (folder.next >= folder.entries.size()) {
            open.pop_back();
            continue;
        }
        QFileInfo entry = folder.entries.at(folder.next++);
        if (isTooLong(entry.filePath())) {
            problems.append(Problem(Problem::PathTooLong, entry.filePath()));
            continue;
        }
        entry.refresh(); // the run may have removed it since the folder was listed
        if (!entry.exists())
            continue;
        if (entry.isDir()) {
            enter(entry.filePath());
        } else if (entry.fileName().compare(QLatin1String("video.m4s"), Qt::CaseInsensitive) == 0) {
            found = entry;
            hasFound = true;
        }
    }
    return hasFound;
}

void CacheWalk::next()
{
    if (hasNext()) {
        current = found;
        hasFound = false;
    }
}

QVector<Problem> CacheWalk::takeProblems()
{
    QVector<Problem> taken;
    taken.swap(problems);
    return taken;
}

int countCacheItems(const QString &root)
{
    int count = 0;
    for (CacheWalk walk(root); walk.hasNext(); walk.next())
        ++count;
    return count;
}
