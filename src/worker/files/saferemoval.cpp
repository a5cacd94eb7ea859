// SPDX-License-Identifier: MIT
#include "files/saferemoval.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "files/systempath.h"

namespace {

QString normalized(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString prefixOf(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool isMediaName(const QString &name)
{
    static const QStringList mediaSuffixes { QStringLiteral("m4s"), QStringLiteral("mp4"),
                                             QStringLiteral("flv"), QStringLiteral("blv"),
                                             QStringLiteral("mkv") };
    return mediaSuffixes.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive);
}

// As much as can be removed goes; a gate that refuses stops everything at once.
bool emptyUnlessStopped(const FolderHandle &folder, const QString &path, const QString &lastName,
                        const RemovalGate &gate, bool *stopped)
{
    QStringList names;
    if (!folder.entryNames(&names))
        return false;
    struct Entry
    {
        int rank; // folders first, then files, lastName at the very end
        QString name;
        EntryKind kind;
    };
    std::vector<Entry> entries;
    for (const QString &name : names) {
        const EntryKind kind = folder.kindOf(name);
        entries.push_back({ name == lastName ? 2 : kind == EntryKind::Folder ? 0 : 1, name, kind });
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.rank < b.rank; });
    bool success = true;
    for (const Entry &entry : entries) {
        const QString entryPath = prefixOf(path) + entry.name;
        if (entry.kind == EntryKind::Missing)
            continue;
        if (entry.kind == EntryKind::Folder) {
            FolderHandle inner = folder.folder(entry.name);
            const bool emptied =
                inner.isValid() && emptyUnlessStopped(inner, entryPath, QString(), gate, stopped);
            if (*stopped || (emptied && !gate(entryPath))) {
                *stopped = true;
                return false;
            }
            success = emptied && inner.removeFrom(folder, entry.name) && success;
        } else {
            if (!gate(entryPath)) {
                *stopped = true;
                return false;
            }
            success = folder.remove(entry.name, entry.kind) && success;
        }
    }
    return success;
}

} // namespace

bool isStrictlyInside(const QString &root, const QString &path)
{
    const QString prefix = prefixOf(normalized(root));
    const QString candidate = normalized(path);
    return candidate.size() > prefix.size() && candidate.startsWith(prefix, pathCaseSensitivity());
}

FolderChain::FolderChain(const QString &root, const QString &folder)
{
    const QString base = normalized(root);
    const QString target = normalized(folder);
    QStringList names;
    if (isStrictlyInside(base, target))
        names = target.mid(prefixOf(base).size()).split(QLatin1Char('/'));
    else if (target.compare(base, pathCaseSensitivity()) != 0)
        blocked = target; // never anything outside the chosen folder
    if (!blocked.isEmpty())
        return;
    folders.emplace_back(base);
    paths << base;
    if (!folders.back().isValid()) {
        blocked = base;
        return;
    }
    for (const QString &name : names) {
        FolderHandle next = folders.back().folder(name);
        const QString path = prefixOf(paths.last()) + name;
        if (!next.isValid()) {
            blocked = path;
            linkOnTheWay = folders.back().kindOf(name) == EntryKind::Link;
            return;
        }
        folders.push_back(std::move(next));
        paths << path;
    }
}

QString FolderChain::displaced(bool *byLink) const
{
    // A folder removed already has nothing below it to displace.
    for (size_t level = 1; level < folders.size() && folders.at(level).isValid(); ++level) {
        const QString name = QFileInfo(paths.at(int(level))).fileName();
        const FolderHandle &parent = folders.at(level - 1);
        const EntryKind kind = parent.kindOf(name);
        if (kind != EntryKind::Folder
            || !parent.identityOf(name).isSameFile(folders.at(level).identity())) {
            if (byLink)
                *byLink = kind == EntryKind::Link;
            return paths.at(int(level));
        }
    }
    return QString();
}

RemovalGate FolderChain::gate(const RemovalWatch &watch) const
{
    return [this, watch](const QString &path) {
        if (watch)
            watch({ RemovalStep::Removing, path });
        return displaced().isEmpty();
    };
}

bool FolderChain::removeFolder(int level, const QString &lastName, const RemovalGate &gate)
{
    if (level < 1 || level > last())
        return false;
    // The folders below it are emptied through handles of their own: Windows would keep one that
    // is still held open here, and the folder with it.
    while (last() > level) {
        folders.pop_back();
        paths.removeLast();
    }
    return removeFolderWhole(at(level), at(level - 1), paths.at(level), lastName, gate);
}

bool removeFolderWhole(FolderHandle &folder, const FolderHandle &parent, const QString &path,
                       const QString &lastName, const RemovalGate &gate)
{
    return folder.isValid() && emptyFolder(folder, path, lastName, gate) && gate(path)
        && folder.removeFrom(parent, QFileInfo(path).fileName());
}

bool containsMedia(const FolderHandle &folder)
{
    QStringList names;
    folder.entryNames(&names);
    for (const QString &name : names) {
        const EntryKind kind = folder.kindOf(name);
        if (kind == EntryKind::Folder ? containsMedia(folder.folder(name))
                                      : kind != EntryKind::Link && isMediaName(name))
            return true;
    }
    return false;
}

bool emptyFolder(const FolderHandle &folder, const QString &path, const QString &lastName,
                 const RemovalGate &gate)
{
    bool stopped = false;
    return emptyUnlessStopped(folder, path, lastName, gate, &stopped) && !stopped;
}
