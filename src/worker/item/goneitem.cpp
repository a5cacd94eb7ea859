// SPDX-License-Identifier: MIT
#include "item/goneitem.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

#include "output/sourcetag.h"
#include "records/conversionjob.h"

void OutputIndex::readNew(const QString &outputFolder, Folder *folder)
{
    folder->listed = QFileInfo(outputFolder).lastModified();
    MediaReads media(stopRequested);
    const QStringList names =
        QDir(outputFolder)
            .entryList({ QStringLiteral("*.mp4") }, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QString &name : names) {
        if (folder->read.contains(name))
            continue;
        folder->read.insert(name);
        const QString file = outputFolder + QLatin1Char('/') + name;
        MediaInfo info;
        if (media.read(file, &info).isNone() && !info.tag.isEmpty())
            folder->outputs.append({ file, info.tag });
    }
}

OutputIndex::Output OutputIndex::find(const QString &outputFolder, Freshness freshness,
                                      const std::function<bool(const QString &tag)> &matches)
{
    auto known = byFolder.find(outputFolder);
    if (known == byFolder.end()) {
        known = byFolder.insert(outputFolder, Folder());
        readNew(outputFolder, &*known);
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const Output &output : std::as_const(known->outputs)) {
            if (matches(output.tag))
                return output;
        }
        // Only what was made since is read again, and only when the folder changed at all.
        if (pass > 0 || freshness == AsFirstRead
            || QFileInfo(outputFolder).lastModified() == known->listed)
            break;
        readNew(outputFolder, &*known);
    }
    return Output();
}

OutputIndex::Output OutputIndex::outputOf(const QString &outputFolder, const QString &itemFolder,
                                          const QString &videoFolder, Freshness freshness)
{
    return find(outputFolder, freshness,
                [&](const QString &tag) { return tagNamesVideo(tag, itemFolder, videoFolder); });
}

OutputIndex::Output OutputIndex::outputOfItem(const QString &outputFolder,
                                              const QString &itemFolder)
{
    return find(outputFolder, AsFirstRead,
                [&](const QString &tag) { return tagNamesItem(tag, itemFolder); });
}

OutputIndex::Output OutputIndex::outputWithTag(const QString &outputFolder, const QString &ownTag)
{
    return find(outputFolder, AsFirstRead,
                [&](const QString &tag) { return relateTags(ownTag, tag) == TagRelation::Same; });
}

ItemResult goneItem(const QString &videoFile, OutputIndex &outputs)
{
    const ConversionJob job = jobForVideoFile(videoFile, QFileInfo(videoFile).path());
    ItemResult result;
    result.videoFolder = job.videoFolder;
    result.outputFile =
        outputs.outputOf(job.outputFolder, job.itemFolder, job.videoFolder, OutputIndex::Current)
            .file;
    result.outcome =
        result.outputFile.isEmpty() ? ItemResult::Gone : ItemResult::ConvertedElsewhere;
    result.outputName = QFileInfo(result.outputFile).fileName();
    return result;
}
