// SPDX-License-Identifier: MIT
#include "files/saferemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "files/systempath.h"

namespace {

QString normalized(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

const QDir::Filters everyEntry =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

bool removeLink(const QFileInfo &link)
{
    // A link to a folder on Windows (or a junction) is a directory entry of its own.
    if (removeFile(link.filePath()))
        return true;
    return QDir().rmdir(link.filePath());
}

} // namespace

bool isLinkOrJunction(const QFileInfo &info)
{
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    if (info.isJunction())
        return true;
#endif
    return info.isSymLink();
}

bool isStrictlyInside(const QString &root, const QString &path)
{
    const QString base = normalized(root);
    const QString candidate = normalized(path);
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    return candidate.size() > prefix.size() && candidate.startsWith(prefix, pathCaseSensitivity());
}

bool containsMedia(const QString &folder)
{
    static const QStringList mediaSuffixes { QStringLiteral("m4s"), QStringLiteral("mp4"),
                                             QStringLiteral("flv"), QStringLiteral("blv"),
                                             QStringLiteral("mkv") };
    const QFileInfoList entries = QDir(folder).entryInfoList(everyEntry);
    for (const QFileInfo &entry : entries) {
        if (isLinkOrJunction(entry))
            continue;
        if (entry.isDir() ? containsMedia(entry.filePath())
                          : mediaSuffixes.contains(entry.suffix(), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool removeFolderTree(const QString &folder)
{
    const QFileInfo info(folder);
    if (isLinkOrJunction(info) || !info.isDir())
        return false;
    bool success = true;
    const QFileInfoList entries = QDir(folder).entryInfoList(everyEntry);
    for (const QFileInfo &entry : entries) {
        if (isLinkOrJunction(entry))
            success = removeLink(entry) && success;
        else if (entry.isDir())
            success = removeFolderTree(entry.filePath()) && success;
        else
            success = removeFile(entry.filePath()) && success;
    }
    return QDir().rmdir(folder) && success;
}

QString linkOnTheWay(const QString &root, const QString &path)
{
    const QString base = normalized(root);
    QString step = normalized(path);
    while (isStrictlyInside(base, step)) {
        if (isLinkOrJunction(QFileInfo(step)))
            return step;
        step = QFileInfo(step).path();
    }
    return QString();
}

bool removeFile(const QString &path)
{
    if (QFile::remove(path))
        return true;
    const QFileInfo info(path);
    if (info.isSymLink() || !info.exists() || info.isWritable())
        return false;
    QFile::setPermissions(path,
                          info.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    return QFile::remove(path);
}
