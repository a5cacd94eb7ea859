// SPDX-License-Identifier: MIT
#include "folderchooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

void answerNextFolderChooser(const QString &folder)
{
    // Only Qt's own dialog can be answered like this: Windows' native one is no QWidget.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, folder] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        if (folder.isEmpty()) {
            dialog->reject();
        } else {
            // Opened the folder and confirmed it, as a user would.
            dialog->setDirectory(folder);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    poll->start();
}
