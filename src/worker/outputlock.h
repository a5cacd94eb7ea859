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

    // Takes the lock unless another run holds it; true when another run does. A folder where no
    // lock can be made is no other run's: the conversion there fails by itself, and says why.
    bool heldElsewhere();

private:
    QLockFile lock;
};

// The lock of one item, held while a run works on it, so that no item is converted by two runs
// at once. It lies in the item's output folder, named after its item and video folders.
QString itemLockFile(const ConversionJob &job);

#endif // OUTPUTLOCK_H
