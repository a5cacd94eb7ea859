// SPDX-License-Identifier: MIT
#include "files/heldfile.h"

#include <QElapsedTimer>
#include <QThread>

bool stillHeldAfterRetries(const std::function<bool()> &attempt)
{
    QElapsedTimer waited;
    waited.start();
    for (int pause = 50;; pause = qMin(pause * 2, 1000)) {
        if (!attempt())
            return false;
        if (waited.elapsed() >= heldFileWaitMs)
            return true;
        QThread::msleep(pause);
    }
}

bool whenNotHeld(const QString &path, const std::function<bool()> &operation)
{
    bool done = false;
    stillHeldAfterRetries([&] {
        done = operation();
        return !done && heldByAnotherProgram(path);
    });
    return done;
}
