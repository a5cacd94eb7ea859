// SPDX-License-Identifier: MIT
#ifndef BOUNDPROCESS_H
#define BOUNDPROCESS_H

#include <QProcess>

// A child process whose life is bound to this one: however this process ends (a crash, a kill,
// the task manager's "End task"), the child ends with it and writes nothing more. On Linux the
// kernel kills it when its parent goes; on Windows it runs in a job object that kills its
// processes when the last handle to it, held only by this process, closes.
class BoundProcess : public QProcess
{
public:
    explicit BoundProcess(QObject *parent = nullptr);

    // Starts the program as QProcess::start does, bound as above before it runs a single
    // instruction of its own.
    void startBound(const QString &program, const QStringList &arguments, OpenMode mode);

    // True when the last start failed for a reason that may pass: the program file open for
    // writing, or held by another program for a moment; no resources for a process just now.
    bool failedForAMoment() const;

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
protected:
    void setupChildProcess() override; // Qt 5 calls it in the child, on POSIX systems only
#endif

private:
    // POSIX systems: this process, which the child must still have as its parent.
    [[maybe_unused]] qint64 parentId = 0;
    // Windows: what CreateProcess said of the child.
    [[maybe_unused]] void *startedSuspended = nullptr;
};

#ifndef Q_OS_WIN
// POSIX systems: true when QProcess's words for a start that failed name a reason that may pass
// (the program file open for writing; no resources for a process just now).
bool startFailureMayPass(const QString &errorString);
#endif

#endif // BOUNDPROCESS_H
