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
        // A lock stands there, in a folder that cannot be written: no run can be working there,
        // so its owner is gone, and the lock cannot be removed.
        LeftStuck,
    };
    // Takes the lock unless another run holds it.
    State take();

private:
    QString path;
    QLockFile lock;
};

// The lock of one item, held while a run works on it, so that no item is converted by two runs
// at once. It lies in the item's output folder, named after its item and video folders.
QString itemLockFile(const ConversionJob &job);

// The files runs make and remove again, by the shape of their names.
enum class WorkingFile {
    None,
    ItemLock, // "vantoro-item-<16 hex digits> .lock"
    NameLock, // "<name> .partial.mp4.lock", held while the temporary beside it is written
    Temporary, // "<name> .partial.mp4"
};
WorkingFile workingFileOf(const QString &name);
// True for the name of a file that runs make and remove again: a lock, or an output's temporary.
bool isWorkingFileName(const QString &name);

// True when the file is a plain file that holds what a lock of a run holds (its process, its
// program, its machine): a lock a run made, whether or not its owner lives.
bool isRunLockFile(const QString &path);

// Removes the working files among files that a run which is gone provably left: a lock of a run
// (by name and content) whose owner is gone, and a temporary output beside such a lock of its
// name, which was there before this call. Nothing a live run holds goes, and no lock is made to
// take a file that had none. Returns the files that merely have the shape of a working file (a
// temporary with no lock of a run beside it, a lock-shaped file that holds no lock): they stay.
QStringList removeStaleWorkingFiles(const QStringList &files);

#endif // OUTPUTLOCK_H
