// SPDX-License-Identifier: MIT
#include "files/cachewalk.h"

#include <QDir>
#include <QDirIterator>

#include "files/folderhandle.h"
#include "files/systempath.h"

namespace {

const QDir::Filters visible = QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot;

} // namespace

CacheWalk::CacheWalk(const QString &root, std::function<bool(const QString &name)> isWorkingFile)
    : isWorkingFile(std::move(isWorkingFile)),
      leftOfItems(root),
      working(root)
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
    // As find does: a folder that is its own ancestor (through a bind mount or a junction that
    // leads back up) is not entered again, so no item below it is found twice.
    const FileIdentity id = FolderHandle(folder).identity();
    for (const Listing &ancestor : open) {
        if (id.isSameFile(ancestor.id)) {
            problems.append(Problem(Problem::FolderLoop, folder));
            return;
        }
    }
    // Read name by name and closed at once: QDir would build a description of every entry
    // first, which for a folder of ten thousand items is most of what a run needs in memory.
    Listing listing { PathList(QDir::cleanPath(folder)), QDir::cleanPath(folder), id };
    for (QDirIterator entries(folder, visible); entries.hasNext();) {
        entries.next();
        listing.names.appendName(entries.fileName());
        listing.hasEntryJson =
            listing.hasEntryJson || entries.fileName() == QLatin1String("entry.json");
    }
    open.push_back(std::move(listing));
}

void CacheWalk::leave()
{
    const Listing &folder = open.back();
    // The marker a partly removed item folder gets is no item of its own.
    if (!folder.videoBelow && (folder.hasEntryJson || folder.names.size() == 0)
        && QFileInfo(folder.folder).fileName() != QLatin1String("remove1111"))
        leftOfItems.append(folder.folder);
    const bool videoBelow = folder.videoBelow;
    open.pop_back();
    if (!open.empty())
        open.back().videoBelow = open.back().videoBelow || videoBelow;
}

bool CacheWalk::hasNext()
{
    while (!hasFound && !open.empty()) {
        Listing &folder = open.back();
        if (folder.next >= folder.names.size()) {
            leave();
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
            folder.videoBelow = true;
        } else if (isWorkingFile && isWorkingFile(entry.fileName())) {
            working.append(path);
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

CacheInventory takeInventory(const QString &root,
                             const std::function<bool(const QString &name)> &isWorkingFile)
{
    CacheInventory inventory;
    inventory.videoFiles = PathList(root);
    CacheWalk walk(root, isWorkingFile);
    while (walk.hasNext()) {
        walk.next();
        inventory.videoFiles.append(walk.videoFile());
    }
    inventory.remains = walk.remains();
    inventory.workingFiles = walk.workingFiles();
    inventory.problems = walk.takeProblems();
    return inventory;
}
