// SPDX-License-Identifier: MIT
// Folders dropped on the window from a file manager.
#include "widget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// The local folders a drag carries, in the order given; empty when it carries anything else
// too, so a file among them refuses the whole drop.
QStringList droppedFolders(const QMimeData *data)
{
    QStringList folders;
    if (!data || !data->hasUrls())
        return folders;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        const QFileInfo info(url.toLocalFile());
        if (!url.isLocalFile() || !info.isDir())
            return {};
        folders << info.absoluteFilePath();
    }
    return folders;
}

} // namespace

void Widget::dragEnterEvent(QDragEnterEvent *event)
{
    // Refused here, the cursor tells the user before anything is dropped.
    if (droppedFolders(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void Widget::dropEvent(QDropEvent *event)
{
    const QStringList folders = droppedFolders(event->mimeData());
    if (folders.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Each folder exactly as if it had been chosen in the folder chooser, in the order dropped.
    for (const QString &folder : folders) {
        selectedDir = folder;
        startConvert();
    }
}
