// SPDX-License-Identifier: MIT
#include "item/remains.h"

#include <QFileInfo>

#include <utility>

#include "files/saferemoval.h"
#include "output/sourcetag.h"

bool RemainsContent::operator==(const RemainsContent &other) const
{
    return entryJson == other.entryJson && emptyFolders == other.emptyFolders
        && audioFolder == other.audioFolder && audioSize == other.audioSize
        && this->other == other.other;
}

RemainsContent contentOf(const FolderHandle &folder)
{
    RemainsContent content;
    QStringList names;
    if (!folder.entryNames(&names)) {
        content.other = true;
        return content;
    }
    names.sort();
    for (const QString &name : std::as_const(names)) {
        const EntryKind kind = folder.kindOf(name);
        if (kind == EntryKind::File && name == QLatin1String("entry.json")) {
            content.entryJson = true;
            continue;
        }
        QStringList inside;
        const FolderHandle below = kind == EntryKind::Folder ? folder.folder(name) : FolderHandle();
        if (!below.entryNames(&inside)) {
            content.other = true;
        } else if (inside.isEmpty()) {
            content.emptyFolders << name;
        } else if (inside == QStringList { QStringLiteral("audio.m4s") }
                   && below.kindOf(inside.first()) == EntryKind::File
                   && content.audioFolder.isEmpty()) {
            content.audioFolder = name;
            content.audioSize = below.identityOf(inside.first()).size;
        } else {
            content.other = true;
        }
    }
    return content;
}

namespace {

// The output of the item in the folder, made from the video folder its content points to.
OutputIndex::Output ownOutput(const QString &folder, const RemainsContent &content,
                              OutputIndex &outputs)
{
    const QString outputFolder = QFileInfo(folder).path();
    const auto named = [&](const QString &videoFolder) {
        return outputs.outputOf(outputFolder, folder, folder + QLatin1Char('/') + videoFolder);
    };
    if (!content.audioFolder.isEmpty()) {
        const OutputIndex::Output own = named(content.audioFolder);
        return taggedStreamSize(own.tag, false) == content.audioSize ? own : OutputIndex::Output();
    }
    for (const QString &empty : content.emptyFolders) {
        const OutputIndex::Output own = named(empty);
        if (!own.file.isEmpty())
            return own;
    }
    return outputs.outputOfItem(outputFolder, folder);
}

} // namespace

Remains recogniseRemains(const QString &folder, const QString &root, OutputIndex &outputs)
{
    Remains remains;
    const RemainsContent content = contentOf(FolderHandle(folder));
    // The chosen folder itself stays, and its entry.json with it: only folders in it may go.
    const bool mayGoWhole = isStrictlyInside(root, folder);
    if (content.other
        || (!mayGoWhole && content.emptyFolders.isEmpty() && content.audioFolder.isEmpty()))
        return remains;
    const OutputIndex::Output own = ownOutput(folder, content, outputs);
    if (own.file.isEmpty())
        return remains;
    const QFileInfo entry(folder + QStringLiteral("/entry.json"));
    if (content.entryJson && entry.lastModified() > QFileInfo(own.file).lastModified())
        return remains;
    remains.itemFolder = folder;
    remains.videoFolder = folder + QLatin1Char('/') + taggedVideoFolderName(own.tag);
    remains.outputFile = own.file;
    remains.content = content;
    return remains;
}
