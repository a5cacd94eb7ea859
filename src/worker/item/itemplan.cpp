// SPDX-License-Identifier: MIT
#include "item/itemplan.h"

#include <QFileInfo>

#include "item/goneitem.h"
#include "output/outputfile.h"
#include "output/outputnaming.h"
#include "output/sourcetag.h"

namespace {

// An item that still has its video.m4s but no audio.m4s, beside an output whose tag names it and
// gives the very size of the stream that is left, is one an earlier run began to remove.
bool placeHalfRemoved(const ConversionJob &job, OutputIndex &outputs, OutputPlacement *placement)
{
    if (QFileInfo::exists(job.audioFile) || QFileInfo(job.audioFile).isSymLink())
        return false;
    const OutputIndex::Output own =
        outputs.outputOf(job.outputFolder, job.itemFolder, job.videoFolder);
    if (own.file.isEmpty() || taggedStreamSize(own.tag, true) != QFileInfo(job.videoFile).size())
        return false;
    placement->verdict = OutputPlacement::OwnOutput;
    placement->outputFile = own.file;
    return true;
}

// Takes the lock that keeps other runs off the item, unless one of them holds it.
void takeItemLock(const ConversionJob &job, ItemPlan *plan)
{
    const QString lockFile = itemLockFile(job);
    plan->itemLock = std::make_unique<OutputLock>(lockFile);
    const OutputLock::State lock = plan->itemLock->take();
    plan->locked = lock == OutputLock::Taken;
    plan->lockedElsewhere = lock == OutputLock::HeldElsewhere;
    if (lock == OutputLock::Refused)
        plan->lockRefused = Problem(Problem::ItemLockRefused, lockFile);
    if (lock == OutputLock::LeftStuck)
        plan->lockRefused = Problem(Problem::ItemLockStuck, lockFile);
}

// An item whose title changed since it was converted has its output under the earlier name:
// that one counts, and no second copy of the same video is made beside it.
void placeUnderEarlierName(const ConversionJob &job, OutputIndex &outputs, ItemPlan *plan)
{
    if (plan->placement.verdict != OutputPlacement::FreeName || job.sourceTag.isEmpty())
        return;
    const OutputIndex::Output own = outputs.outputWithTag(job.outputFolder, job.sourceTag);
    if (own.file.isEmpty())
        return;
    plan->placement.verdict = OutputPlacement::OwnOutput;
    plan->placement.outputFile = own.file;
    plan->underEarlierName = true;
    plan->nameLock.reset(); // nothing is written under the new name
}

// Plans the item, under its lock or without one.
ItemPlan placeItem(const QString &videoFile, const QString &videoFolder, bool locks,
                   MediaReads &media, OutputIndex &outputs)
{
    ItemPlan plan;
    ConversionJob job = jobForVideoFile(videoFile, videoFolder);
    const EntryName name = nameFromEntry(job.entryJsonFile);
    plan.nameNote = name.note;
    plan.fallbackName = name.name == fallbackOutputName;
    job.outputFile = job.outputFolder + QLatin1Char('/') + name.name;

    if (locks)
        takeItemLock(job, &plan);
    if (!plan.lockedElsewhere && plan.lockRefused.isNone()) {
        plan.halfRemoved = placeHalfRemoved(job, outputs, &plan.placement);
        if (!plan.halfRemoved) {
            job.sourceTag =
                sourceTag(job.itemFolder, job.videoFolder, job.videoFile, job.audioFile);
            const auto occupantOf = [&media](const QString &path) {
                return occupantOnDisk(path, media);
            };
            const auto claim = [&plan, locks](const QString &path) {
                if (!locks)
                    return true;
                auto lock = std::make_unique<OutputLock>(lockFileFor(path));
                if (lock->take() == OutputLock::HeldElsewhere)
                    return false;
                plan.nameLock = std::move(lock);
                return true;
            };
            plan.placement = placeOutput(job.outputFile, job.sourceTag, occupantOf, claim);
            placeUnderEarlierName(job, outputs, &plan);
        }
        job.outputFile = plan.placement.outputFile;
    }
    job.outputName = QFileInfo(job.outputFile).fileName();
    job.command = ffmpegCommandText(job);
    plan.job = job;
    return plan;
}

} // namespace

ItemPlan planItem(const QString &videoFile, const QString &videoFolder, PlanMode mode,
                  MediaReads &media, OutputIndex &outputs)
{
    ItemPlan plan = placeItem(videoFile, videoFolder, false, media, outputs);
    const OutputPlacement::Verdict verdict = plan.placement.verdict;
    const bool writes = verdict == OutputPlacement::FreeName
        || (mode.removal && verdict == OutputPlacement::OwnOutput);
    if (!mode.locks || !writes)
        return plan;
    // Another run may have converted it meanwhile: decided again under the lock.
    return placeItem(videoFile, videoFolder, true, media, outputs);
}

ItemPlan planRemains(const Remains &remains, PlanMode mode)
{
    ItemPlan plan;
    ConversionJob job =
        jobForVideoFile(remains.videoFolder + QStringLiteral("/video.m4s"), remains.videoFolder);
    job.outputFile = remains.outputFile;
    job.outputName = QFileInfo(job.outputFile).fileName();
    job.command = ffmpegCommandText(job);
    if (mode.locks && mode.removal)
        takeItemLock(job, &plan);
    plan.remains = remains;
    plan.placement.verdict = OutputPlacement::OwnOutput;
    plan.placement.outputFile = job.outputFile;
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
    result.underEarlierName = plan.underEarlierName;
    result.earlierRemoval = plan.halfRemoved || plan.remains.isValid();
    return result;
}
