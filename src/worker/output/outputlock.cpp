// SPDX-License-Identifier: MIT
#include "output/outputlock.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

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

OutputLock::OutputLock(const QString &lockFile) : path(lockFile), lock(lockFile)
{
    // Held as long as a conversion takes, however long: only a dead owner makes it stale.
    lock.setStaleLockTime(0);
}

OutputLock::State OutputLock::take()
{
    if (lock.tryLock(0))
        return Taken;
    if (lock.error() != QLockFile::LockFailedError)
        return Refused;
    // A run that holds a lock writes in its folder: where nothing can be written, the lock is one
    // a run that is gone left, which cannot be removed.
    return QFileInfo(QFileInfo(path).path()).isWritable() ? HeldElsewhere : LeftStuck;
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

WorkingFile workingFileOf(const QString &name)
{
    if (name.endsWith(temporarySuffix()))
        return WorkingFile::Temporary;
    if (name.endsWith(temporarySuffix() + QLatin1String(".lock")))
        return WorkingFile::NameLock;
    const int hashLength = 16;
    if (name.size() != itemLockPrefix.size() + hashLength + lockSuffix.size()
        || !name.startsWith(itemLockPrefix) || !name.endsWith(lockSuffix))
        return WorkingFile::None;
    const QString hash = name.mid(itemLockPrefix.size(), hashLength);
    const bool hex = std::all_of(hash.cbegin(), hash.cend(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    });
    return hex ? WorkingFile::ItemLock : WorkingFile::None;
}

bool isWorkingFileName(const QString &name)
{
    return workingFileOf(name) != WorkingFile::None;
}

bool isRunLockFile(const QString &path)
{
    // A lock holds a few short lines; anything larger is someone's file, and is not read.
    const qint64 largestLock = 4096;
    const QFileInfo info(path);
    qint64 pid = 0;
    QString host;
    QString program;
    return info.isFile() && !info.isSymLink() && info.size() <= largestLock
        && QLockFile(path).getLockInfo(&pid, &host, &program) && pid > 0;
}

QStringList removeStaleWorkingFiles(const QStringList &files)
{
    QStringList lookAlikes;
    QStringList locks;
    for (const QString &file : files) {
        if (workingFileOf(QFileInfo(file).fileName()) != WorkingFile::Temporary) {
            locks << file;
            continue;
        }
        // Only a lock that stood beside it already tells that a run wrote it; one made now
        // would tell nothing. Taken, it was its owner's, and that owner is gone.
        const QString lockFile = file + QLatin1String(".lock");
        if (!isRunLockFile(lockFile)) {
            lookAlikes << file;
            continue;
        }
        OutputLock name(lockFile);
        if (name.take() == OutputLock::Taken)
            QFile::remove(file);
    }
    for (const QString &file : std::as_const(locks)) {
        // The lock of a temporary handled above is gone already.
        if (!QFileInfo(file).isSymLink() && !QFileInfo::exists(file))
            continue;
        if (isRunLockFile(file))
            OutputLock(file).take(); // taken and let go again, which removes it
        else
            lookAlikes << file;
    }
    return lookAlikes;
}
