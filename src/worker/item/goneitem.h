// SPDX-License-Identifier: MIT
#ifndef GONEITEM_H
#define GONEITEM_H

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

#include "media/mediareader.h"
#include "records/itemresult.h"

// The tags of the outputs in a folder, each folder read once per run: how a run tells an item
// another run converted (and removed) from one moved away, finds the output of an item an
// earlier run half removed, and the output an item got under its earlier title.
class OutputIndex
{
public:
    explicit OutputIndex(StopCheck stopRequested) : stopRequested(std::move(stopRequested)) { }

    struct Output
    {
        QString file;
        QString tag;
    };
    // How current the outputs looked for must be.
    enum Freshness {
        AsFirstRead, // as the folder was when the run first read it
        Current, // outputs made since (by another run) count too
    };

    // The .mp4 in the output folder whose tag says it was made from this video folder of this
    // item; its file is empty when there is none.
    Output outputOf(const QString &outputFolder, const QString &itemFolder,
                    const QString &videoFolder, Freshness freshness = AsFirstRead);
    // The same, made from any video folder of this item.
    Output outputOfItem(const QString &outputFolder, const QString &itemFolder);
    // The .mp4 in the output folder made from these very streams (its tag relates as the same).
    Output outputWithTag(const QString &outputFolder, const QString &ownTag);

private:
    struct Folder
    {
        QVector<Output> outputs; // those with a tag
        QSet<QString> read; // the names of every .mp4 read
        QDateTime listed; // the folder's time of change when it was last listed
    };
    Output find(const QString &outputFolder, Freshness freshness,
                const std::function<bool(const QString &tag)> &matches);
    // Reads the .mp4 files of the folder that were not read yet.
    void readNew(const QString &outputFolder, Folder *folder);

    StopCheck stopRequested;
    QHash<QString, Folder> byFolder;
};

// What became of an item whose video.m4s was gone when its turn came: its output when another
// run made it, else nothing known.
ItemResult goneItem(const QString &videoFile, OutputIndex &outputs);

#endif // GONEITEM_H
