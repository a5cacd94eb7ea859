// SPDX-License-Identifier: MIT
#include "ffmpeg/boundprocess.h"

#include <windows.h>

namespace {

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

} // namespace

BoundProcess::BoundProcess(QObject *parent) : QProcess(parent)
{
    // Started suspended, so that it runs nothing before it is in the job.
    setCreateProcessArgumentsModifier([this](CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        startedSuspended = arguments->processInformation;
    });
}

bool BoundProcess::failedForAMoment() const
{
    // The system's words for these reasons, as QProcess quotes them.
    return error() == FailedToStart
        && (errorString().contains(qt_error_string(ERROR_SHARING_VIOLATION))
            || errorString().contains(qt_error_string(ERROR_LOCK_VIOLATION)));
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
void BoundProcess::setupChildProcess() { } // never called on Windows
#endif

void BoundProcess::startBound(const QString &program, const QStringList &arguments, OpenMode mode)
{
    start(program, arguments, mode);
    const auto *child = static_cast<PROCESS_INFORMATION *>(startedSuspended);
    startedSuspended = nullptr;
    if (child && state() != NotRunning) {
        if (HANDLE job = childJob())
            AssignProcessToJobObject(job, child->hProcess);
        ResumeThread(child->hThread);
    }
}
