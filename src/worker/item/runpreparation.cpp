// SPDX-License-Identifier: MIT
#include "item/runpreparation.h"

#include <QDir>
#include <QFileInfo>

#include "files/saferemoval.h"
#include "item/goneitem.h"
#include "output/outputfile.h"
#include "output/outputlock.h"
#include "output/outputnaming.h"
#include "output/outputplacement.h"
#include "records/conversionjob.h"

namespace {

// True when name is the temporary of outputFile or of one of its numbered choices, or that
// temporary's lock.
bool isTemporaryOf(const QString &name, const QString &outputFile)
{
    for (int n = 1; n <= maxNameChoices; ++n) {
        const QString temporary =
            QFileInfo(temporaryOutputFile(numberedOutputFile(outputFile, n))).fileName();
        if (name == temporary || name == temporary + QLatin1String(".lock"))
            return true;
    }
    return false;
}

// The working files in the folder above root that the item of videoFile converts into.
QStringList workingFilesOfItemAbove(const QString &videoFile)
{
    ConversionJob job = jobForVideoFile(videoFile, QFileInfo(videoFile).path());
    job.outputFile = job.outputFolder + QLatin1Char('/') + nameFromEntry(job.entryJsonFile).name;
    const QString lock = QFileInfo(itemLockFile(job)).fileName();
    QStringList files;
    const QStringList names = QDir(job.outputFolder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (name == lock || isTemporaryOf(name, job.outputFile))
            files << job.outputFolder + QLatin1Char('/') + name;
    }
    return files;
}

} // namespace

QStringList runWorkingFiles(const CacheInventory &inventory, const QString &root)
{
    QStringList files;
    for (int i = 0; i < inventory.workingFiles.size(); ++i)
        files << inventory.workingFiles.at(i);
    for (int i = 0; i < inventory.videoFiles.size(); ++i) {
        const QString videoFile = inventory.videoFiles.at(i);
        const QString outputFolder =
            cutBeforeLastSlash(cutBeforeLastSlash(cutBeforeLastSlash(videoFile)));
        const bool walked = isStrictlyInside(root, outputFolder)
            || QDir::cleanPath(outputFolder) == QDir::cleanPath(root);
        if (walked)
            continue;
        for (const QString &file : workingFilesOfItemAbove(videoFile)) {
            if (!files.contains(file))
                files << file;
        }
    }
    return files;
}

RunPreparation prepareRun(const CacheInventory &inventory, const QString &root, bool writes,
                          OutputIndex &outputs)
{
    RunPreparation preparation;
    if (writes) {
        const QStringList lookAlikes = removeStaleWorkingFiles(runWorkingFiles(inventory, root));
        for (const QString &file : lookAlikes)
            preparation.notes.append(Problem(Problem::NotARunsWorkingFile, file));
    }
    for (int i = 0; i < inventory.remains.size(); ++i) {
        const Remains left = recogniseRemains(inventory.remains.at(i), root, outputs);
        if (left.isValid())
            preparation.remains.append(left);
    }
    return preparation;
}
