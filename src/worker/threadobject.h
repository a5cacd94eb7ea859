// SPDX-License-Identifier: MIT
#ifndef THREADOBJECT_H
#define THREADOBJECT_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

#include "ffmpegprogress.h"
#include "itemresult.h"

class MediaReads;
struct ConversionJob;
struct OutputPlacement;
struct RunContext;

// The conversion worker. It lives in a thread of its own and performs whole runs over a
// cache folder: walk, name, convert with ffmpeg, optionally remove the converted sources.
class ThreadObject : public QObject
{
    Q_OBJECT

public:
    explicit ThreadObject(QObject *parent = nullptr);
    ~ThreadObject() override;

    // Asks the run in progress to end as soon as its ffmpeg can be killed; a later run starts
    // afresh. Safe from any thread.
    void stop();
    // Chooses whether converted items lose their sources; safe from any thread.
    void setDeleteSource(bool deleteSource) { isDeleteSource = deleteSource; }
    // Emits currentFileName_Signal with the name, unless the name is empty.
    void emitCurrentFileName(const QString &name);

    // Uses this ffmpeg executable instead of looking one up; empty means look it up.
    void setFfmpegProgram(const QString &program) { explicitFfmpeg = program; }
    // Extra ffmpeg options, placed before the output name (for example "-c copy").
    void setExtraOutputArguments(const QStringList &arguments) { extraOutputArguments = arguments; }
    // The pause after each item, during which queued requests reach the worker.
    void setPauseInterval(int milliseconds) { pauseInterval = milliseconds; }
    // Walks and names as usual but converts and removes nothing.
    void setDryRun(bool dryRun) { isDryRun = dryRun; }
    // Called in the worker's thread once per item, when the item is done with.
    void setItemObserver(std::function<void(const ItemResult &)> observer)
    {
        itemObserver = std::move(observer);
    }
    // Called in the worker's thread while ffmpeg converts, with what it says of its progress.
    void setProgressObserver(std::function<void(const ConversionProgress &)> observer)
    {
        progressObserver = std::move(observer);
    }
    // Called in the worker's thread for each folder the walk could not read.
    void setWalkProblemObserver(std::function<void(const Problem &)> observer)
    {
        walkProblemObserver = std::move(observer);
    }

    // Returns the bare output file name for the item described by entry.json at the path.
    QString getNameFromJson(const QString &entryJsonPath);
    // Removes every character a Windows file name may not hold.
    void fileNameAdjust(QString &name);

    // Performs one whole conversion run over the folder.
    void runConversion(QString dirString);

signals:
    void message_FromSubthread_Signal(QString infoString);
    void convertFinished_Signal();
    void currentFileName_Signal(QString name);

private slots:
    void processfinishedSlot(int aa);
    void processstartedSlot();

public slots:
    void runSomeBigWork1(QString dirString);

private:
    QString nameForEntry(const QString &entryJsonPath, Problem *problem);
    ItemResult runItem(ConversionJob job, RunContext &run);
    void executeJob(const ConversionJob &job, const OutputPlacement &placement, RunContext &run,
                    MediaReads &media, ItemResult &result);
    SourceFate removeItemSources(const ConversionJob &job, const QString &root);
    void reportWalkProblems(const QVector<Problem> &problems, RunContext &run);
    void pause();
    bool stopRequested() const { return isStopRequested; }

    bool isStarted = false;
    std::atomic<bool> isDeleteSource { false };
    std::atomic<bool> isStopRequested { false };

    QString explicitFfmpeg;
    QStringList extraOutputArguments;
    int pauseInterval = 500;
    bool isDryRun = false;
    std::function<void(const ItemResult &)> itemObserver;
    std::function<void(const Problem &)> walkProblemObserver;
    std::function<void(const ConversionProgress &)> progressObserver;
};

#endif // THREADOBJECT_H
