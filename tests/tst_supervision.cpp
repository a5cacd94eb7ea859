// SPDX-License-Identifier: MIT
// How a run copes with an ffmpeg that fails, crashes, hangs, writes a broken file, or is not
// there at all. A scripted stand-in plays the faults the real ffmpeg cannot be made to show.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <utility>

#include "cachebuilder.h"
#include "debugcapture.h"
#include "ffmpegprocess.h"
#include "scopedenvironment.h"
#include "threadobject.h"
#include "workerthread.h"

class tst_Supervision : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void failedConversionKeepsEverything_data();
    void failedConversionKeepsEverything();
    void stopEndsAHangingConversionQuickly();
    void stopDuringThePauseKeepsTheSources();
    void stopWhileFfmpegStarts();
    void closedGateSkipsTheJob();

private:
    QString root() const { return top + QStringLiteral("/cache"); }
    // Mounts a small file system at top, where the disk is nearly full from the start.
    bool mountSmallDisk();

    std::unique_ptr<QTemporaryDir> dir;
    QString top;
    bool mounted = false;
    QString sourcesBefore;
};

void tst_Supervision::initTestCase()
{
    QString error;
    if (!CacheBuilder::prepareStreams(&error))
        QSKIP(qPrintable(error));
}

void tst_Supervision::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY2(dir->isValid(), qPrintable(dir->errorString()));
    top = dir->path();
}

void tst_Supervision::cleanup()
{
    if (mounted)
        QProcess::execute(QStringLiteral("umount"), { top });
    mounted = false;
}

bool tst_Supervision::mountSmallDisk()
{
#ifdef Q_OS_LINUX
    mounted =
        QProcess::execute(QStringLiteral("mount"), { "-t", "tmpfs", "-o", "size=4m", "tmpfs", top })
        == 0;
#endif
    return mounted;
}

void tst_Supervision::failedConversionKeepsEverything_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("smallDisk");
    QTest::addColumn<Problem::Kind>("failure");

    const QString fake = QStringLiteral(FAKE_FFMPEG_PATH);
    const QByteArray path = qgetenv("PATH");
    QTest::newRow("exit code with ffmpeg's last words")
        << fake << QByteArray("fail") << path << QStringList() << false << Problem::FfmpegExited;
    QTest::newRow("crash half-way")
        << fake << QByteArray("crash") << path << QStringList() << false << Problem::FfmpegCrashed;
    QTest::newRow("exit code 0 after writing a broken file")
        << fake << QByteArray("garbage") << path << QStringList() << false
        << Problem::OutputDamaged;
    QTest::newRow("the same on a nearly full disk")
        << fake << QByteArray("garbage") << path << QStringList() << true
        << Problem::OutputDamagedDiskFull;
    QTest::newRow("the real ffmpeg told to leave out the sound")
        << CacheBuilder::ffmpeg() << QByteArray() << path << QStringList { "-an" } << false
        << Problem::OutputDamaged;
    QTest::newRow("named program does not exist")
        << QStringLiteral("/nonexistent/bin/ffmpeg") << QByteArray() << path << QStringList()
        << false << Problem::FfmpegFailedToStart;
    QTest::newRow("no ffmpeg anywhere") << QString() << QByteArray() << QByteArray("/nonexistent")
                                        << QStringList() << false << Problem::FfmpegNotFound;
}

void tst_Supervision::failedConversionKeepsEverything()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, path);
    QFETCH(QStringList, options);
    QFETCH(bool, smallDisk);
    QFETCH(Problem::Kind, failure);
    if (smallDisk && !mountSmallDisk())
        QSKIP("mounting a small file system needs root on Linux");
    CacheBuilder::addItem(root(), QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("First")));
    CacheBuilder::addItem(root(), QStringLiteral("2"),
                          CacheBuilder::entryJson(QStringLiteral("Second")));
    const QString before = CacheBuilder::snapshot(root());

    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", mode);
    ScopedEnv searchPath("PATH", path);
    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(true);
    worker.setFfmpegProgram(program);
    worker.setExtraOutputArguments(options);
    QVector<ItemResult> items;
    worker.setItemObserver([&items](const ItemResult &result) { items << result; });
    QSignalSpy report(&worker, &ThreadObject::message_FromSubthread_Signal);
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    worker.runConversion(root());

    QCOMPARE(finished.count(), 1);
    QCOMPARE(report.count(), 1);
    QCOMPARE(items.size(), 2);
    for (const ItemResult &item : std::as_const(items)) {
        QCOMPARE(item.outcome, ItemResult::Failed);
        QCOMPARE(item.failure.kind, failure);
        QCOMPARE(item.sources.kind, SourceFate::NotAsked);
    }
    if (failure == Problem::FfmpegExited) {
        QCOMPARE(items.at(0).failure.exitCode, 1);
        QCOMPARE(items.at(0).failure.detail, QStringLiteral("Conversion failed!"));
    }
    // Nothing was produced under an output name, nothing was left half-written, nothing removed.
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

void tst_Supervision::stopEndsAHangingConversionQuickly()
{
    CacheBuilder::addItem(root(), QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("First")));
    CacheBuilder::addItem(root(), QStringLiteral("2"),
                          CacheBuilder::entryJson(QStringLiteral("Second")));
    const QString before = CacheBuilder::snapshot(root());
    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", "hang");
    WorkerThread run;
    ThreadObject *worker = run.worker;
    worker->setFfmpegProgram(QStringLiteral(FAKE_FFMPEG_PATH));
    worker->setDeleteSource(true);
    QVector<ItemResult> items;
    worker->setItemObserver([&items](const ItemResult &result) { items << result; });
    QSignalSpy finished(worker, &ThreadObject::convertFinished_Signal);
    DebugCapture debug;
    run.start();
    run.request(root());
    QTRY_VERIFY(CacheBuilder::snapshot(root()).contains(QStringLiteral(" .partial.mp4")));

    QElapsedTimer clock;
    clock.start();
    worker->stop();
    QVERIFY(run.finish(5000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));

    QCOMPARE(debug.count(QStringLiteral("finished but still runing,kill it")), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(items.size(), 1); // no further item after the stop
    QCOMPARE(items.at(0).failure.kind, Problem::Stopped);
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

void tst_Supervision::stopDuringThePauseKeepsTheSources()
{
    const QString video = CacheBuilder::addItem(root(), QStringLiteral("1"),
                                                CacheBuilder::entryJson(QStringLiteral("Paused")));
    WorkerThread run;
    ThreadObject *worker = run.worker;
    worker->setPauseInterval(60000);
    worker->setDeleteSource(true);
    QVector<ItemResult> items;
    worker->setItemObserver([&items](const ItemResult &result) { items << result; });
    QSignalSpy finished(worker, &ThreadObject::convertFinished_Signal);
    run.start();
    run.request(root());
    // The output takes its name just before the pause begins; the stop comes during the pause.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root() + QStringLiteral("/Paused.mp4")), 30000);
    worker->stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).outcome, ItemResult::Converted);
    QCOMPARE(items.at(0).sources.kind, SourceFate::NotAsked);
    QVERIFY(QFile::exists(video + QStringLiteral("/video.m4s")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/Paused.mp4")));
}

void tst_Supervision::stopWhileFfmpegStarts()
{
    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", "hang");
    FfmpegProcess ffmpeg;
    const Problem ran =
        ffmpeg.run(QStringLiteral(FAKE_FFMPEG_PATH), { dir->filePath(QStringLiteral("out.mp4")) },
                   [] { return true; });
    QCOMPARE(ran.kind, Problem::Stopped);
    QVERIFY(ffmpeg.wasKilled());
    QCOMPARE(ffmpeg.process()->state(), QProcess::NotRunning);
}

void tst_Supervision::closedGateSkipsTheJob()
{
    CacheBuilder::addItem(root(), QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("First")));
    CacheBuilder::addItem(root(), QStringLiteral("2"),
                          CacheBuilder::entryJson(QStringLiteral("Second")));
    const QString before = CacheBuilder::snapshot(root());
    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(true);
    QVERIFY(QMetaObject::invokeMethod(&worker, "processstartedSlot"));
    QVector<ItemResult> items;
    worker.setItemObserver([&items](const ItemResult &result) { items << result; });
    QSignalSpy names(&worker, &ThreadObject::currentFileName_Signal);
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    worker.runConversion(root());

    QCOMPARE(names.count(), 2);
    QCOMPARE(items.size(), 2);
    for (const ItemResult &item : std::as_const(items))
        QCOMPARE(item.outcome, ItemResult::Passed);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

QTEST_GUILESS_MAIN(tst_Supervision)
#include "tst_supervision.moc"
