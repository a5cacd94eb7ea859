// SPDX-License-Identifier: MIT
#include "files/cachewalk.h"

#include <QDir>
#include <QDirIterator>

#include "files/systempath.h"

namespace {

const QDir::Filters visible = QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot;

} // namespace

CacheWalk::CacheWalk(const QString &root)
{
    enter(root);
}

void CacheWalk::enter(const QString &folder)
{
    if (pathTooLongToOpen(folder)) {
        problems.append(Problem(Problem::PathTooLong, folder));
        return;
    }
    if (!folderListable(QFileInfo(folder))) {
        problems.append(Problem(Problem::FolderUnreadable, folder));
        return;
    }
    // Read name by name and closed at once: QDir would build a description of every entry
    // first, which for a folder of ten thousand items is most of what a run needs in memory.
    PathList names(QDir::cleanPath(folder));
    for (QDirIterator entries(folder, visible); entries.hasNext();) {
        entries.next();
        names.appendName(entries.fileName());
    }
    open.push_back({ names, 0 });
}

bool CacheWalk::hasNext()
{
    while (!hasFound && !open.empty()) {
        Listing &folder = open.back();
        if (folder.next >= folder.names.size()) {
            open.pop_back();
            continue;
        }
        const QString path = folder.names.at(folder.next++);
        if (pathTooLongToOpen(path)) {
            problems.append(Problem(Problem::PathTooLong, path));
            continue;
        }
        // Looked at only now: it may be gone, or be a link, since the folder was listed.
        const QFileInfo entry(path);
        if (!entry.exists() || entry.isSymLink())
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

PathList::PathList(const QString &folder)
    : prefix(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'))
{ }

void PathList::append(const QString &path)
{
    // What is not below the folder is kept whole.
    if (path.startsWith(prefix))
        store(path.mid(prefix.size()), false);
    else
        store(path, true);
}

void PathList::appendName(const QString &name)
{
    store(name, false);
}

void PathList::store(const QString &text, bool whole)
{
    starts.push_back(quint32(paths.size()) | (whole ? wholePath : 0));
    paths += text.toUtf8();
    paths += '\0';
}

QString PathList::at(int index) const
{
    const quint32 start = starts.at(size_t(index));
    const QString path = QString::fromUtf8(paths.constData() + (start & ~wholePath));
    return start & wholePath ? path : prefix + path;
}

CacheInventory takeInventory(const QString &root)
{
    CacheInventory inventory;
    inventory.videoFiles = PathList(root);
    CacheWalk walk(root);
    while (walk.hasNext()) {
        walk.next();
        inventory.videoFiles.append(walk.videoFile());
    }
    inventory.problems = walk.takeProblems();
    return inventory;
}
