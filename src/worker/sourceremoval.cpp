// SPDX-License-Identifier: MIT
#include "sourceremoval.h"

#include <QDir>
#include <QFileInfo>

#include "diskflush.h"
#include "saferemoval.h"

namespace {

bool mayRemoveFolder(const QString &root, const QString &folder)
{
    return isStrictlyInside(root, folder) && !isLinkOrJunction(QFileInfo(folder))
        && !containsMedia(folder);
}

} // namespace

SourceRemoval removeSources(const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput)
{
    SourceRemoval removal;
    const QString link = linkOnTheWay(root, job.videoFile);
    if (!link.isEmpty()) {
        removal.fate = SourceFate(SourceFate::Kept, Problem(Problem::LinkOnTheWay, link));
        return removal;
    }
    const Problem flushed = flushToDisk(job.outputFile, verifiedOutput);
    if (!flushed.isNone()) {
        removal.fate = SourceFate(SourceFate::Kept, flushed);
        return removal;
    }

    removal.began = true;
    removal.videoRemoved = removeFile(job.videoFile);
    removal.audioRemoved = removeFile(job.audioFile);
    QString folder;
    if (mayRemoveFolder(root, job.itemFolder))
        folder = job.itemFolder;
    else if (mayRemoveFolder(root, job.videoFolder))
        folder = job.videoFolder;
    if (!folder.isEmpty())
        removal.folderRemoved = removeFolderTree(folder);
    // As the program always has: a partly removed item folder gets this marker.
    if (isStrictlyInside(root, job.itemFolder))
        QDir(job.itemFolder).mkdir(QStringLiteral("remove1111"));

    if (!removal.videoRemoved)
        removal.fate =
            SourceFate(SourceFate::RemovalFailed, Problem(Problem::RemovalFailed, job.videoFile));
    else if (!removal.audioRemoved)
        removal.fate =
            SourceFate(SourceFate::RemovalFailed, Problem(Problem::RemovalFailed, job.audioFile));
    else if (!folder.isEmpty() && !removal.folderRemoved)
        removal.fate =
            SourceFate(SourceFate::RemovalFailed, Problem(Problem::RemovalFailed, folder));
    else
        removal.fate = SourceFate::Removed;
    return removal;
}
