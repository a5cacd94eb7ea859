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

#if defined(Q_OS_UNIX) && QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
protected:
    void setupChildProcess() override;
#endif

private:
#ifdef Q_OS_UNIX
    qint64 parentId = 0; // this process, which the child must still have as its parent
#endif
#ifdef Q_OS_WIN
    void *startedSuspended = nullptr; // what CreateProcess said of the child
#endif
};

#endif // BOUNDPROCESS_H
