// SPDX-License-Identifier: MIT
#include "debugcapture.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

namespace {

QMutex mutex;
QStringList captured;
QStringList capturedWarnings;
QtMessageHandler previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg) {
        QMutexLocker lock(&mutex);
        captured << message;
        return;
    }
    if (type == QtWarningMsg) {
        QMutexLocker lock(&mutex);
        capturedWarnings << message;
    }
    if (previous)
        previous(type, context, message);
}

} // namespace

DebugCapture::DebugCapture()
{
    clear();
    previous = qInstallMessageHandler(capture);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(previous);
}

QStringList DebugCapture::lines() const
{
    QMutexLocker lock(&mutex);
    return captured;
}

QStringList DebugCapture::matching(const QString &text) const
{
    return lines().filter(text);
}

QStringList DebugCapture::warnings() const
{
    QMutexLocker lock(&mutex);
    return capturedWarnings;
}

void DebugCapture::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
    capturedWarnings.clear();
}
