// SPDX-License-Identifier: MIT
#ifndef OUTPUTLOCK_H
#define OUTPUTLOCK_H

#include <QLockFile>
#include <QString>

// The lock a run holds while it works on an output name and its numbered choices, so that two
// runs on one folder, in one process or in two, never touch the same temporary file or output.
// It lies beside the temporary name; the lock of a run that died is taken over.
class OutputLock
{
public:
    explicit OutputLock(const QString &outputFile);

    // Takes the lock unless another run holds it; true when another run does. A folder where no
    // lock can be made is no other run's: the conversion there fails by itself, and says why.
    bool heldElsewhere();

private:
    QLockFile lock;
};

#endif // OUTPUTLOCK_H
