// SPDX-License-Identifier: MIT
#ifndef RUNREPORT_H
#define RUNREPORT_H

#include <QSet>
#include <QString>
#include <QStringList>

// What a run tells the user at its end: counts, and one line for each item that went wrong.
class RunReport
{
public:
    void addConverted() { ++converted; }
    void addSkipped() { ++skipped; }
    void addFailure(const QString &outputName, const QString &reason);
    // A converted item whose sources were kept although the user asked for their removal.
    void addKeptSources(const QString &outputName, const QString &reason);
    // The chosen folder could not be walked at all.
    void setMissingRoot(const QString &root);

    bool hasProblems() const { return !lines.isEmpty(); }
    // The report in the window's language; the first line holds the counts.
    QString text() const;

private:
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    QStringList lines;
};

// The state one run keeps while it walks: its root, what it wrote, and its report.
class RunContext
{
public:
    explicit RunContext(const QString &root) : root(root) { }

    const QString root;
    QSet<QString> writtenOutputs;
    RunReport report;
};

#endif // RUNREPORT_H
