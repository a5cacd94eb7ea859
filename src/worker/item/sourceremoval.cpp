// SPDX-License-Identifier: MIT
#include "item/sourceremoval.h"

#include <QFileInfo>

#include <memory>
#include <utility>

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

// What keeps a removal from beginning at all: the way from root blocked, or the output not safely
// on the disk as the very file that was verified. NotAsked when nothing does.
SourceFate beforeRemoval(const FolderChain &chain, const ConversionJob &job,
                         const FileIdentity &verifiedOutput)
{
    if (!chain.isOpen())
        return blockedWay(chain);
    const Problem flushed = flushToDisk(job.outputFile, verifiedOutput);
    if (!flushed.isNone())
        return SourceFate(SourceFate::Kept, flushed);
    return SourceFate();
}

} // namespace

SourceRemoval removeSources(const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput, const RemovalWatch &watch)
{
    SourceRemoval removal;
    FolderChain chain(root, job.videoFolder);
    removal.fate = beforeRemoval(chain, job, verifiedOutput);
    if (removal.fate.kind != SourceFate::NotAsked)
        return removal;
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
    removal.displaced = chain.displaced(&removal.displacedByLink);
    // As the program always has: a partly removed item folder gets this marker.
    if (removal.displaced.isEmpty() && itemLevel >= 1 && itemLevel <= chain.last()
        && chain.at(itemLevel).isValid())
        chain.at(itemLevel).makeFolder(QStringLiteral("remove1111"));
    removal.fate = fateOfRemoval(removal, job);
    return removal;
}

SourceRemoval finishRemoval(const Remains &remains, const ConversionJob &job, const QString &root,
                            const FileIdentity &verifiedOutput, const RemovalWatch &watch)
{
    SourceRemoval removal;
    FolderChain chain(root, remains.itemFolder);
    removal.fate = beforeRemoval(chain, job, verifiedOutput);
    if (removal.fate.kind != SourceFate::NotAsked)
        return removal;
    const int itemLevel = chain.last();
    if (contentOf(chain.at(itemLevel)) != remains.content) {
        removal.fate =
            SourceFate(SourceFate::Kept, Problem(Problem::RemainsChanged, remains.itemFolder));
        return removal;
    }
    const QString audioName = QFileInfo(job.audioFile).fileName();
    const RemainsContent &content = remains.content;
    QStringList folders = content.emptyFolders;
    if (!content.audioFolder.isEmpty())
        folders.prepend(content.audioFolder);
    const RemovalGate gate = chain.gate(watch);
    removal.videoRemoved = true; // gone before this run began
    {
        const FolderHandle audioFolder = content.audioFolder.isEmpty()
            ? FolderHandle()
            : chain.at(itemLevel).folder(content.audioFolder);
        const auto claim = audioFolder.isValid()
            ? std::make_unique<RemovalClaim>(audioFolder, audioName)
            : nullptr;
        if (claim && !claim->mayGo()) {
            removal.fate = SourceFate(SourceFate::RemovalFailed,
                                      Problem(Problem::RemovalFailed, job.audioFile));
            return removal;
        }
        if (watch)
            watch({ RemovalStep::Checked, remains.itemFolder });
        const QString audioPath = chain.pathAt(itemLevel) + QLatin1Char('/') + content.audioFolder
            + QLatin1Char('/') + audioName;
        removal.began = !claim || gate(audioPath);
        removal.audioRemoved = removal.began && (!claim || claim->remove());
    }
    if (removal.began && itemLevel >= 1) {
        removal.folder = remains.itemFolder;
        removal.folderRemoved = chain.removeFolder(itemLevel, QStringLiteral("entry.json"), gate);
    } else if (removal.began) {
        // The chosen folder is the item folder: the folders in it go, the rest stays.
        removal.folderRemoved = true;
        for (const QString &name : std::as_const(folders)) {
            const QString path = chain.pathAt(itemLevel) + QLatin1Char('/') + name;
            FolderHandle folder = chain.at(itemLevel).folder(name);
            const bool removed =
                removeFolderWhole(folder, chain.at(itemLevel), path, QString(), gate);
            if (!removed && removal.folderRemoved)
                removal.folder = path;
            removal.folderRemoved = removal.folderRemoved && removed;
        }
    }
    removal.displaced = chain.displaced(&removal.displacedByLink);
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
