// SPDX-License-Identifier: MIT
#ifndef FOLDERCHOOSER_H
#define FOLDERCHOOSER_H

#include <QString>

// Answers the next modal folder chooser as a user would, once it is open: picks the folder,
// or cancels when the folder is empty.
void answerNextFolderChooser(const QString &folder);

#endif // FOLDERCHOOSER_H
