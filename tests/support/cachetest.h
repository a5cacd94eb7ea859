// SPDX-License-Identifier: MIT
#ifndef CACHETEST_H
#define CACHETEST_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <functional>
#include <memory>

#include "report/runreport.h"
#include "threadobject.h"

// What one worker run came to, as data.
struct WorkerRun
{
    QVector<ItemResult> items;
    QVector<Problem> walkProblems;
    RunReport report;
    QStringList names; // the output names it announced
    QStringList messages; // the reports the window would show
    int ends = 0; // how often it said a run had ended

    // The one item's result (a test of one item checks this first).
    const ItemResult &only() const { return items.first(); }
    // What became of each item, in words, for a failure message.
    QString described() const;
};

// What the cache tests share: the streams made once, a fresh folder for every test, and whole
// worker runs with what they came to.
class CacheTest
{
public:
    // For initTestCase: makes the streams once per process; false, with the reason, when ffmpeg
    // cannot make them.
    static bool prepare(QString *why);
    // For init: a fresh, empty folder; false, with the reason, when none can be made.
    bool reset(QString *why);

    QString base() const { return dir->path(); }
    // The folder a run is usually given: base/cache.
    QString root() const { return base() + QStringLiteral("/cache"); }
    // Adds an item below root as the video app stores it, with an entry.json that names it title
    // (none when title is null). Returns its video folder.
    QString addItem(const QString &itemPath, const QString &title,
                    const QString &quality = QStringLiteral("64")) const;

private:
    std::unique_ptr<QTemporaryDir> dir;
};

// An observer that records what a run came to into run. Runs in the worker's thread: read run
// once the run has ended.
RunObserver recordInto(WorkerRun &run);

// Runs one whole conversion over the folder in this thread, without pauses, removing sources
// when asked. setUp may change the worker and add to its observer (say, act on progress) before
// the run; the parts that record the run are kept.
WorkerRun runWorker(const QString &folder, bool deleteSource = false,
                    const std::function<void(ThreadObject &, RunObserver &)> &setUp = {});

#endif // CACHETEST_H
