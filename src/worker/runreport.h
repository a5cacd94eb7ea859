// SPDX-License-Identifier: MIT
#ifndef RUNREPORT_H
#define RUNREPORT_H

#include <QHash>
#include <QString>
#include <QVector>

#include "itemresult.h"

// What a run has to tell at its end, as data: counts, and each problem with the item it
// belongs to (no item for problems of the walk itself).
class RunReport
{
public:
    enum Role {
        ItemFailed,
        ItemIncomplete,
        SourcesKept,
        RemovalFailed,
        NameFallback,
        WalkProblem,
    };
    struct Entry
    {
        QString outputName; // empty for a problem of the walk
        Role role;
        Problem problem;
    };

    // Counts the item and files each of its problems.
    void addItem(const ItemResult &item);
    // A problem of the walk: the chosen folder or one below it could not be read.
    void addWalkProblem(const Problem &problem);

    bool hasProblems() const { return !entries.isEmpty(); }

    int converted = 0;
    int skipped = 0;
    int failed = 0;
    int incomplete = 0;
    QVector<Entry> entries;
};

// The state one run keeps while it walks: its root, what it wrote, and its report.
class RunContext
{
public:
    explicit RunContext(const QString &root) : root(root) { }

    const QString root;
    QHash<QString, QString> writtenOutputs; // output file -> the source tag written into it
    RunReport report;
};

#endif // RUNREPORT_H
