// SPDX-License-Identifier: MIT
#include "sessionend.h"

#include <QApplication>
#include <QTimer>

#include "interruption.h"
#include "records/stopcheck.h"

void quitOnSessionEnd(QApplication &application)
{
    catchInterruptions();
    // Signal handlers may only set a flag; the event loop looks at it.
    auto *watch = new QTimer(&application);
    QObject::connect(watch, &QTimer::timeout, &application, [] {
        if (interruptionRequested())
            QCoreApplication::quit();
    });
    watch->start(stopCheckIntervalMs);
}
