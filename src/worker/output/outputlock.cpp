// SPDX-License-Identifier: MIT
#include "output/outputlock.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include "output/outputfile.h"
#include "records/conversionjob.h"

namespace {

const QLatin1String itemLockPrefix("vantoro-item-");
const QLatin1String lockSuffix(" .lock");
// What every temporary output's name ends with.
QString temporarySuffix()
{
    return temporaryOutputFile(QStringLiteral(".mp4"));
}

} // namespace

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
    return job.outputFolder + QLatin1Char('/') + itemLockPrefix + QString::fromLatin1(hash.left(16))
        + lockSuffix;
}

bool isWorkingFileName(const QString &name)
{
    return (name.startsWith(itemLockPrefix) && name.endsWith(lockSuffix))
        || name.endsWith(temporarySuffix())
        || name.endsWith(temporarySuffix() + QLatin1String(".lock"));
}

void removeStaleWorkingFiles(const QStringList &files)
{
    for (const QString &file : files) {
        if (file.endsWith(temporarySuffix())) {
            // No run writes there while its name's lock is free: taken, it is this run's.
            OutputLock name(file + QLatin1String(".lock"));
            if (name.take() == OutputLock::Taken)
                QFile::remove(file);
        } else {
            // A free lock is taken and let go again, which removes it.
            OutputLock(file).take();
        }
    }
}
