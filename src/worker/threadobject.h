// SPDX-License-Identifier: MIT
#ifndef THREADOBJECT_H
#define THREADOBJECT_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

#include "ffmpeg/ffmpegprogress.h"
#include "files/saferemoval.h"
#include "records/itemresult.h"

class MediaReads;
class OutputIndex;
struct ItemPlan;
struct PlanMode;
class RunReport;
struct ConversionJob;
struct ConversionResult;
struct ConversionSettings;
struct RunContext;

// Who hears of a run as it goes, in the worker's thread; any part may be left empty.
struct RunObserver
{
    std::function<void(int items)> started; // how many items the run found
    std::function<void(const Problem &)> walkProblem; // a folder it could not read
    std::function<void(const ConversionProgress &)> progress; // what ffmpeg tells as it converts
    std::function<void(const ItemResult &)> itemDone; // once per item, in order
    RemovalWatch removing; // each step of a removal, just before it is taken
    std::function<void(const RunReport &)> finished; // everything the run came to
};

// The conversion worker. It lives in a thread of its own and performs whole runs over a
// cache folder: walk, name, convert with ffmpeg, optionally remove the converted sources.
// Each item goes through the same steps, each a function from values to a value: its plan,
// its conversion (or the check of the output already there), the verdict on its sources and
// what their removal did. The worker keeps the gate, the pause and the run's debug lines.
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
    // Extra ffmpeg options, placed before the output name (for example "-an").
    void setExtraOutputArguments(const QStringList &arguments) { extraOutputArguments = arguments; }
    // Copies the streams as they are instead of encoding them again: lossless and far faster.
    // Such an output must then hold the sources' very packets before they may go.
    void setCopyStreams(bool copy) { isCopyStreams = copy; }
    // The pause after each item, during which queued requests reach the worker.
    void setPauseInterval(int milliseconds) { pauseInterval = milliseconds; }
    // Walks, names and places as usual but converts, locks and removes nothing.
    void setDryRun(bool dryRun) { isDryRun = dryRun; }
    // Who hears of each run; called in the worker's thread.
    void setObserver(RunObserver runObserver) { observer = std::move(runObserver); }

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
    ItemResult runItem(const ItemPlan &plan, RunContext &run, MediaReads &media);
    // How items are planned now: whether the run writes, and whether sources are to go.
    PlanMode planMode() const;
    void itemDone(const ItemResult &result, RunContext &run);
    ConversionResult convert(const ConversionJob &job, RunContext &run, MediaReads &media);
    SourceFate removeItemSources(const ItemPlan &plan, const QString &root,
                                 const ConversionResult &conversion, MediaReads &media);
    void reportWalkProblems(const QVector<Problem> &problems, RunContext &run);
    void endRun(const RunContext &run);
    void pause();

    bool isStarted = false;
    std::atomic<bool> isDeleteSource { false };
    std::atomic<bool> isStopRequested { false };

    QString explicitFfmpeg;
    QStringList extraOutputArguments;
    int pauseInterval = 500;
    bool isDryRun = false;
    bool isCopyStreams = false;
    RunObserver observer;
};

#endif // THREADOBJECT_H
