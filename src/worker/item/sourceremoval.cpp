// SPDX-License-Identifier: MIT
#include "item/sourceremoval.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

#include "files/diskflush.h"
#include "files/heldfile.h"
#include "files/saferemoval.h"

namespace {

bool mayRemoveFolder(const QString &root, const QString &folder)
{
    return isStrictlyInside(root, folder) && !isLinkOrJunction(QFileInfo(folder))
        && !containsMedia(folder);
}

struct StreamClaims
{
    std::unique_ptr<RemovalClaim> video;
    std::unique_ptr<RemovalClaim> audio;
    Problem refused; // none when both may go
};

// Claims both streams before either goes. While another program holds one (Windows), both are
// let go and claimed again after a growing pause, for heldFileWaitMs at most.
StreamClaims claimStreams(const ConversionJob &job)
{
    StreamClaims claims;
    QString held;
    const bool stillHeld = stillHeldAfterRetries([&] {
        claims.video = std::make_unique<RemovalClaim>(job.videoFile);
        claims.audio = std::make_unique<RemovalClaim>(job.audioFile);
        held = claims.video->isHeld() ? job.videoFile
            : claims.audio->isHeld()  ? job.audioFile
                                      : QString();
        if (!held.isEmpty())
            claims = StreamClaims(); // no claim is kept while the holder is waited for
        return !held.isEmpty();
    });
    if (stillHeld)
        claims.refused = Problem(Problem::SourceHeld, held);
    else if (!claims.video->mayGo())
        claims.refused = Problem(Problem::RemovalFailed, job.videoFile);
    else if (!claims.audio->mayGo())
        claims.refused = Problem(Problem::RemovalFailed, job.audioFile);
    return claims;
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
    // Both streams may go, or neither goes: an item is never left with one of them.
    StreamClaims claims = claimStreams(job);
    if (!claims.refused.isNone()) {
        removal.fate =
            SourceFate(claims.refused.kind == Problem::SourceHeld ? SourceFate::Kept
                                                                  : SourceFate::RemovalFailed,
                       claims.refused);
        return removal;
    }

    removal.began = true;
    removal.videoRemoved = claims.video->remove();
    removal.audioRemoved = claims.audio->remove();
    if (mayRemoveFolder(root, job.itemFolder))
        removal.folder = job.itemFolder;
    else if (mayRemoveFolder(root, job.videoFolder))
        removal.folder = job.videoFolder;
    if (!removal.folder.isEmpty())
        removal.folderRemoved = removeFolderTree(removal.folder);
    // As the program always has: a partly removed item folder gets this marker.
    if (isStrictlyInside(root, job.itemFolder))
        QDir(job.itemFolder).mkdir(QStringLiteral("remove1111"));
    removal.fate = fateOfRemoval(removal, job);
    return removal;
}

SourceFate fateOfRemoval(const SourceRemoval &removal, const ConversionJob &job)
{
    const auto failed = [](const QString &path) {
        return SourceFate(SourceFate::RemovalFailed, Problem(Problem::RemovalFailed, path));
    };
    if (!removal.videoRemoved)
        return failed(job.videoFile);
    if (!removal.audioRemoved)
        return failed(job.audioFile);
    if (!removal.folder.isEmpty() && !removal.folderRemoved)
        return failed(removal.folder);
    return SourceFate::Removed;
}
