// SPDX-License-Identifier: MIT
#ifndef GONEITEM_H
#define GONEITEM_H

#include <QHash>
#include <QString>
#include <QVector>

#include "media/mediareader.h"
#include "records/itemresult.h"

// The tags of the outputs in a folder, each folder read once per run: how a run tells an item
// another run converted (and removed) from one moved away, and finds the output of an item an
// earlier run half removed.
class OutputIndex
{
public:
    explicit OutputIndex(StopCheck stopRequested) : stopRequested(std::move(stopRequested)) { }

    struct Output
    {
        QString file;
        QString tag;
    };

    // The .mp4 in the output folder whose tag says it was made from this video folder of this
    // item; its file is empty when there is none.
    Output outputOf(const QString &outputFolder, const QString &itemFolder,
                    const QString &videoFolder);

private:
    StopCheck stopRequested;
    QHash<QString, QVector<Output>> byFolder;
};

// What became of an item whose video.m4s was gone when its turn came: its output when another
// run made it, else nothing known.
ItemResult goneItem(const QString &videoFile, OutputIndex &outputs);

#endif // GONEITEM_H
