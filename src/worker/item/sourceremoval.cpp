// SPDX-License-Identifier: MIT
#include "item/sourceremoval.h"

#include <QFileInfo>

#include <memory>

#include "files/diskflush.h"
#include "files/heldfile.h"

namespace {

struct StreamClaims
{
    std::unique_ptr<RemovalClaim> video;
    std::unique_ptr<RemovalClaim> audio;
    Problem refused; // none when both may go
};

// Claims both streams before either goes. While another program holds one (Windows), both are
// let go and claimed again after a growing pause, for heldFileWaitMs at most.
StreamClaims claimStreams(const FolderHandle &folder, const ConversionJob &job)
{
    StreamClaims claims;
    QString held;
    const bool stillHeld = stillHeldAfterRetries([&] {
        claims.video = std::make_unique<RemovalClaim>(folder, QFileInfo(job.videoFile).fileName());
        claims.audio = std::make_unique<RemovalClaim>(folder, QFileInfo(job.audioFile).fileName());
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

// Why nothing could be taken away: the way to the streams is blocked.
SourceFate blockedWay(const FolderChain &chain)
{
    if (chain.blockedByLink())
        return SourceFate(SourceFate::Kept, Problem(Problem::LinkOnTheWay, chain.blockedAt()));
    return SourceFate(SourceFate::RemovalFailed,
                      Problem(Problem::RemovalFailed, chain.blockedAt()));
}

} // namespace

SourceRemoval removeSources(const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput, const RemovalWatch &watch)
{
    SourceRemoval removal;
    FolderChain chain(root, job.videoFolder);
    if (!chain.isOpen()) {
        removal.fate = blockedWay(chain);
        return removal;
    }
    const Problem flushed = flushToDisk(job.outputFile, verifiedOutput);
    if (!flushed.isNone()) {
        removal.fate = SourceFate(SourceFate::Kept, flushed);
        return removal;
    }
    const int videoLevel = chain.last();
    const int itemLevel = videoLevel - 1; // below root only when the item folder is
    // Both streams may go, or neither goes: an item is never left with one of them.
    StreamClaims claims = claimStreams(chain.at(videoLevel), job);
    if (!claims.refused.isNone()) {
        removal.fate =
            SourceFate(claims.refused.kind == Problem::SourceHeld ? SourceFate::Kept
                                                                  : SourceFate::RemovalFailed,
                       claims.refused);
        return removal;
    }
    if (watch)
        watch({ RemovalStep::Checked, job.videoFolder });

    // The audio first: an item cut short here keeps its video.m4s, by which the walk finds it.
    const RemovalGate gate = chain.gate(watch);
    if (gate(job.audioFile)) {
        removal.began = true;
        removal.audioRemoved = claims.audio->remove();
        if (gate(job.videoFile)) {
            removal.videoRemoved = claims.video->remove();
            int level = -1;
            if (itemLevel >= 1 && !containsMedia(chain.at(itemLevel)))
                level = itemLevel;
            else if (videoLevel >= 1 && !containsMedia(chain.at(videoLevel)))
                level = videoLevel;
            if (level >= 1) {
                removal.folder = chain.pathAt(level);
                removal.folderRemoved =
                    chain.removeFolder(level, QStringLiteral("entry.json"), gate);
            }
        }
    }
    removal.displaced = chain.displaced();
    if (!removal.displaced.isEmpty())
        removal.displacedByLink = QFileInfo(removal.displaced).isSymLink();
    // As the program always has: a partly removed item folder gets this marker.
    else if (itemLevel >= 1 && itemLevel <= chain.last() && chain.at(itemLevel).isValid())
        chain.at(itemLevel).makeFolder(QStringLiteral("remove1111"));
    removal.fate = fateOfRemoval(removal, job);
    return removal;
}

SourceFate fateOfRemoval(const SourceRemoval &removal, const ConversionJob &job)
{
    const auto failed = [](const QString &path) {
        return SourceFate(SourceFate::RemovalFailed, Problem(Problem::RemovalFailed, path));
    };
    if (!removal.displaced.isEmpty())
        return SourceFate(
            removal.began ? SourceFate::RemovalFailed : SourceFate::Kept,
            Problem(removal.displacedByLink ? Problem::FolderReplacedByLink : Problem::FolderMoved,
                    removal.displaced));
    if (!removal.videoRemoved)
        return failed(job.videoFile);
    if (!removal.audioRemoved)
        return failed(job.audioFile);
    if (!removal.folder.isEmpty() && !removal.folderRemoved)
        return failed(removal.folder);
    return SourceFate::Removed;
}
