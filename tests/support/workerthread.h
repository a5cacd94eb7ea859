// SPDX-License-Identifier: MIT
#ifndef WORKERTHREAD_H
#define WORKERTHREAD_H

#include <QMetaObject>
#include <QThread>

#include "threadobject.h"

// A worker in a thread of its own, wired as the window wires it: deleted there when the
// thread ends, and reached only through queued requests.
class WorkerThread
{
public:
    WorkerThread() : worker(new ThreadObject)
    {
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    }
    ~WorkerThread() { finish(); }
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    void start() { thread.start(); }
    // Queues a run, as the window's start request does.
    void request(const QString &folder)
    {
        QMetaObject::invokeMethod(worker, "runSomeBigWork1", Qt::QueuedConnection,
                                  Q_ARG(QString, folder));
    }
    // Ends the thread's loop once any run is over; false when that took longer than allowed.
    bool finish(unsigned long milliseconds = ULONG_MAX)
    {
        thread.quit();
        return thread.wait(milliseconds);
    }

    QThread thread;
    ThreadObject *const worker;
};

#endif // WORKERTHREAD_H
