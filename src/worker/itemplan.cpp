// SPDX-License-Identifier: MIT
#include "itemplan.h"

#include <QFileInfo>

#include "outputfile.h"
#include "outputnaming.h"
#include "sourcetag.h"

ItemPlan planItem(const QString &videoFile, const QString &videoFolder, bool locks,
                  MediaReads &media)
{
    ItemPlan plan;
    ConversionJob job = jobForVideoFile(videoFile, videoFolder);
    const EntryName name = nameFromEntry(job.entryJsonFile);
    plan.nameNote = name.note;
    plan.fallbackName = name.name == fallbackOutputName;
    job.outputFile = job.outputFolder + QLatin1Char('/') + name.name;

    if (locks) {
        plan.itemLock = std::make_unique<OutputLock>(itemLockFile(job));
        plan.lockedElsewhere = plan.itemLock->heldElsewhere();
    }
    if (!plan.lockedElsewhere) {
        job.sourceTag = sourceTag(job.itemFolder, job.videoFolder, job.videoFile, job.audioFile);
        const auto occupantOf = [&media](const QString &path) {
            return occupantOnDisk(path, media);
        };
        const auto claim = [&plan, locks](const QString &path) {
            if (!locks)
                return true;
            auto lock = std::make_unique<OutputLock>(lockFileFor(path));
            if (lock->heldElsewhere())
                return false;
            plan.nameLock = std::move(lock);
            return true;
        };
        plan.placement = placeOutput(job.outputFile, job.sourceTag, occupantOf, claim);
        job.outputFile = plan.placement.outputFile;
    }
    job.outputName = QFileInfo(job.outputFile).fileName();
    job.command = ffmpegCommandText(job);
    plan.job = job;
    return plan;
}

ItemResult plannedItem(const ItemPlan &plan, ItemResult::Outcome outcome, const Problem &failure)
{
    ItemResult result;
    result.videoFolder = plan.job.videoFolder;
    result.outputName = plan.job.outputName;
    result.outputFile = plan.job.outputFile;
    result.outcome = outcome;
    result.failure = failure;
    result.nameNote = plan.nameNote;
    return result;
}
