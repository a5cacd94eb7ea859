// SPDX-License-Identifier: MIT
#include "boundprocess.h"

#include <QCoreApplication>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_LINUX
// Runs in the child between fork and exec: only async-signal-safe calls.
void dieWithParent(qint64 parentId)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before the line above: then nothing would ever kill the child.
    if (qint64(::getppid()) != parentId)
        ::_exit(127);
}
#endif

#ifdef Q_OS_WIN
// One job for all the children of this process, made on first use and never closed by hand:
// Windows closes it when this process ends, however it ends, and the job then kills them.
HANDLE childJob()
{
    static const HANDLE job = [] {
        HANDLE made = CreateJobObjectW(nullptr, nullptr);
        if (!made)
            return HANDLE(nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                     sizeof(limits))) {
            CloseHandle(made);
            return HANDLE(nullptr);
        }
        return made;
    }();
    return job;
}
#endif

} // namespace

BoundProcess::BoundProcess(QObject *parent) : QProcess(parent)
{
#if defined(Q_OS_LINUX) && QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    setChildProcessModifier([this] { dieWithParent(parentId); });
#endif
#ifdef Q_OS_WIN
    // Started suspended, so that it runs nothing before it is in the job.
    setCreateProcessArgumentsModifier([this](CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        startedSuspended = arguments->processInformation;
    });
#endif
}

#if defined(Q_OS_UNIX) && QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
void BoundProcess::setupChildProcess()
{
#ifdef Q_OS_LINUX
    dieWithParent(parentId);
#endif
}
#endif

void BoundProcess::startBound(const QString &program, const QStringList &arguments, OpenMode mode)
{
#ifdef Q_OS_UNIX
    parentId = QCoreApplication::applicationPid();
#endif
    start(program, arguments, mode);
#ifdef Q_OS_WIN
    const auto *child = static_cast<PROCESS_INFORMATION *>(startedSuspended);
    startedSuspended = nullptr;
    if (child && state() != NotRunning) {
        if (HANDLE job = childJob())
            AssignProcessToJobObject(job, child->hProcess);
        ResumeThread(child->hThread);
    }
#endif
}
