// SPDX-License-Identifier: MIT
#include "output/outputlock.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include "records/conversionjob.h"

OutputLock::OutputLock(const QString &lockFile) : lock(lockFile)
{
    // Held as long as a conversion takes, however long: only a dead owner makes it stale.
    lock.setStaleLockTime(0);
}

OutputLock::State OutputLock::take()
{
    if (lock.tryLock(0))
        return Taken;
    return lock.error() == QLockFile::LockFailedError ? HeldElsewhere : Refused;
}

QString itemLockFile(const ConversionJob &job)
{
    // Folder names can be as long as a name may be: a hash keeps the lock's name short. It
    // holds a blank, like the temporary names, so that no output can ever have it.
    const QByteArray item = (QFileInfo(job.itemFolder).fileName() + QLatin1Char('/')
                             + QFileInfo(job.videoFolder).fileName())
                                .toUtf8();
    const QByteArray hash = QCryptographicHash::hash(item, QCryptographicHash::Sha256).toHex();
    return job.outputFolder
        + QStringLiteral("/vantoro-item-%1 .lock").arg(QString::fromLatin1(hash.left(16)));
}
