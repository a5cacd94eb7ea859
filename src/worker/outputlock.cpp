// SPDX-License-Identifier: MIT
#include "outputlock.h"

#include "outputfile.h"

OutputLock::OutputLock(const QString &outputFile) : lock(lockFileFor(outputFile))
{
    // Held as long as a conversion takes, however long: only a dead owner makes it stale.
    lock.setStaleLockTime(0);
}

bool OutputLock::heldElsewhere()
{
    return !lock.tryLock(0) && lock.error() == QLockFile::LockFailedError;
}
