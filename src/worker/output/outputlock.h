// SPDX-License-Identifier: MIT
#ifndef OUTPUTLOCK_H
#define OUTPUTLOCK_H

#include <QLockFile>
#include <QString>

struct ConversionJob;

// A lock that runs on one folder, in one process or in two, take before they touch something
// another run may be working on. The lock of a run that died is taken over.
class OutputLock
{
public:
    explicit OutputLock(const QString &lockFile);

    enum State {
        Taken,
        HeldElsewhere, // another run holds it
        Refused, // no lock can be made there (a folder that cannot be written): no other run's
    };
    // Takes the lock unless another run holds it.
    State take();

private:
    QLockFile lock;
};

// The lock of one item, held while a run works on it, so that no item is converted by two runs
// at once. It lies in the item's output folder, named after its item and video folders.
QString itemLockFile(const ConversionJob &job);

// True for the name of a file that runs make and remove again: a lock, or an output's temporary.
bool isWorkingFileName(const QString &name);

// Removes the working files that no live run holds, as a run that was killed leaves them: a lock
// whose owner is gone, and a temporary output whose name's lock is free. Nothing another run is
// using goes.
void removeStaleWorkingFiles(const QStringList &files);

#endif // OUTPUTLOCK_H
