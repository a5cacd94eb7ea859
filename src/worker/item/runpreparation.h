// SPDX-License-Identifier: MIT
#ifndef RUNPREPARATION_H
#define RUNPREPARATION_H

#include <QString>
#include <QVector>

#include "files/cachewalk.h"
#include "item/remains.h"
#include "records/problem.h"

class OutputIndex;

// What a run settles after its walk and before its first item.
struct RunPreparation
{
    // What removals cut short left of items, each beside its own output.
    QVector<Remains> remains;
    // Files shaped like working files of a run that no run provably left (NotARunsWorkingFile):
    // left as they are.
    QVector<Problem> notes;
};

// Prepares a run over root from what its walk found. A run that writes (no dry run) first
// removes what runs that are gone left behind: their locks, and the temporaries beside such a
// lock, in the folders walked, and above root only those of the items found (when root is an
// item's folder, or a video folder, the items' outputs go above it). The outputs index serves
// the recognition of remains.
RunPreparation prepareRun(const CacheInventory &inventory, const QString &root, bool writes,
                          OutputIndex &outputs);

// The working files a run over root may take for its own: those the walk met, and in each folder
// above root that one of the found items converts into, the ones named after such an item (its
// lock, and the temporary of any of its output names with that one's lock).
QStringList runWorkingFiles(const CacheInventory &inventory, const QString &root);

#endif // RUNPREPARATION_H
