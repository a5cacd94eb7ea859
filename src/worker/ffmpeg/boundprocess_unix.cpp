// SPDX-License-Identifier: MIT
#include "ffmpeg/boundprocess.h"

#include <QCoreApplication>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

// Runs in the child between fork and exec: only async-signal-safe calls. Linux kills the child
// when its parent ends; other systems have no such call.
void dieWithParent(qint64 parentId)
{
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before the line above: then nothing would ever kill the child.
    if (qint64(::getppid()) != parentId)
        ::_exit(127);
#else
    Q_UNUSED(parentId);
#endif
}

} // namespace

BoundProcess::BoundProcess(QObject *parent) : QProcess(parent)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    setChildProcessModifier([this] { dieWithParent(parentId); });
#endif
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
void BoundProcess::setupChildProcess()
{
    dieWithParent(parentId);
}
#endif

bool startFailureMayPass(const QString &errorString)
{
    // The system's words for these reasons, as QProcess quotes them.
    return errorString.contains(qt_error_string(ETXTBSY))
        || errorString.contains(qt_error_string(EAGAIN));
}

bool BoundProcess::failedForAMoment() const
{
    return error() == FailedToStart && startFailureMayPass(errorString());
}

void BoundProcess::startBound(const QString &program, const QStringList &arguments, OpenMode mode)
{
    parentId = QCoreApplication::applicationPid();
    start(program, arguments, mode);
}
