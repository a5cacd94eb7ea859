// SPDX-License-Identifier: MIT
#include "item/goneitem.h"

#include <QDir>
#include <QFileInfo>

#include "output/sourcetag.h"
#include "records/conversionjob.h"

OutputIndex::Output OutputIndex::outputOf(const QString &outputFolder, const QString &itemFolder,
                                          const QString &videoFolder)
{
    auto known = byFolder.constFind(outputFolder);
    if (known == byFolder.constEnd()) {
        QVector<Output> outputs;
        MediaReads media(stopRequested);
        const QStringList names = QDir(outputFolder)
                                      .entryList({ QStringLiteral("*.mp4") },
                                                 QDir::Files | QDir::NoSymLinks | QDir::Hidden);
        for (const QString &name : names) {
            const QString file = outputFolder + QLatin1Char('/') + name;
            MediaInfo info;
            if (media.read(file, &info).isNone() && !info.tag.isEmpty())
                outputs.append({ file, info.tag });
        }
        known = byFolder.insert(outputFolder, outputs);
    }
    for (const Output &output : *known) {
        if (tagNamesVideo(output.tag, itemFolder, videoFolder))
            return output;
    }
    return Output();
}

ItemResult goneItem(const QString &videoFile, OutputIndex &outputs)
{
    const ConversionJob job = jobForVideoFile(videoFile, QFileInfo(videoFile).path());
    ItemResult result;
    result.videoFolder = job.videoFolder;
    result.outputFile = outputs.outputOf(job.outputFolder, job.itemFolder, job.videoFolder).file;
    result.outcome =
        result.outputFile.isEmpty() ? ItemResult::Gone : ItemResult::ConvertedElsewhere;
    result.outputName = QFileInfo(result.outputFile).fileName();
    return result;
}
