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

#include <cerrno>

#include "cachebuilder.h"
#include "cachetest.h"
#include "debugcapture.h"
#include "ffmpeg/boundprocess.h"
#include "ffmpeg/ffmpegprocess.h"
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
    void aStartThatFailsForAMomentIsTriedAgain();
    void startFailuresThatMayPass_data();
    void startFailuresThatMayPass();
    void closedGateSkipsTheJob();

private:
    QString root() const { return cache.root(); }
    // Mounts a small file system at the test's folder, where the disk is nearly full from the
    // start.
    bool mountSmallDisk();

    CacheTest cache;
    bool mounted = false;
};

void tst_Supervision::initTestCase()
{
    QString why;
    if (!CacheTest::prepare(&why))
        QSKIP(qPrintable(why));
}

void tst_Supervision::init()
{
    QString why;
    QVERIFY2(cache.reset(&why), qPrintable(why));
}

void tst_Supervision::cleanup()
{
    if (mounted)
        QProcess::execute(QStringLiteral("umount"), { cache.base() });
    mounted = false;
}

bool tst_Supervision::mountSmallDisk()
{
#ifdef Q_OS_LINUX
    mounted = QProcess::execute(QStringLiteral("mount"),
                                { "-t", "tmpfs", "-o", "size=4m", "tmpfs", cache.base() })
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
    QTest::addColumn<bool>("diskNamed"); // the failure names a full disk as the likely cause

    const QString fake = QStringLiteral(FAKE_FFMPEG_PATH);
    const QByteArray path = qgetenv("PATH");
    QTest::newRow("exit code with ffmpeg's last words")
        << fake << QByteArray("fail") << path << QStringList() << false << Problem::FfmpegExited
        << false;
    QTest::newRow("exit code on a nearly full disk")
        << fake << QByteArray("fail") << path << QStringList() << true << Problem::FfmpegExited
        << true;
    QTest::newRow("ffmpeg's own words for a full disk, earlier than its last line")
        << fake << QByteArray("nospace") << path << QStringList() << false << Problem::FfmpegExited
        << true;
    QTest::newRow("crash half-way") << fake << QByteArray("crash") << path << QStringList() << false
                                    << Problem::FfmpegCrashed << false;
    QTest::newRow("exit code 0 after writing a broken file")
        << fake << QByteArray("garbage") << path << QStringList() << false << Problem::OutputDamaged
        << false;
    QTest::newRow("the same on a nearly full disk")
        << fake << QByteArray("garbage") << path << QStringList() << true << Problem::OutputDamaged
        << true;
    QTest::newRow("the real ffmpeg told to leave out the sound")
        << CacheBuilder::ffmpeg() << QByteArray() << path << QStringList { "-an" } << false
        << Problem::OutputDamaged << false;
    QTest::newRow("named program does not exist")
        << QStringLiteral("/nonexistent/bin/ffmpeg") << QByteArray() << path << QStringList()
        << false << Problem::FfmpegFailedToStart << false;
    // It cannot start for a reason that will not pass: the other items fail at once with it.
    QTest::newRow("a program file that is no program")
        << QStringLiteral("<no program>") << QByteArray() << path << QStringList() << false
        << Problem::FfmpegFailedToStart << false;
    QTest::newRow("no ffmpeg anywhere")
        << QString() << QByteArray() << QByteArray("/nonexistent") << QStringList() << false
        << Problem::FfmpegNotFound << false;
}

void tst_Supervision::failedConversionKeepsEverything()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, path);
    QFETCH(QStringList, options);
    QFETCH(bool, smallDisk);
    QFETCH(Problem::Kind, failure);
    QFETCH(bool, diskNamed);
    if (smallDisk && !mountSmallDisk())
        QSKIP("mounting a small file system needs root on Linux");
    cache.addItem(QStringLiteral("1"), QStringLiteral("First"));
    cache.addItem(QStringLiteral("2"), QStringLiteral("Second"));
    const QString before = CacheBuilder::snapshot(root());
    if (program == QLatin1String("<no program>")) {
        program = cache.base() + QStringLiteral("/ffmpeg.exe");
        QVERIFY(CacheBuilder::writeFile(program, "no program\n"));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
    }

    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", mode);
    ScopedEnv searchPath("PATH", path);
    const WorkerRun run = runWorker(root(), true, [&](ThreadObject &worker, RunObserver &) {
        worker.setFfmpegProgram(program);
        worker.setExtraOutputArguments(options);
    });

    QCOMPARE(run.ends, 1);
    QCOMPARE(run.messages.size(), 1);
    QCOMPARE(run.items.size(), 2);
    for (const ItemResult &item : run.items) {
        QCOMPARE(item.outcome, ItemResult::Failed);
        QCOMPARE(item.failure.kind, failure);
        QCOMPARE(item.failure.diskNearlyFull, diskNamed);
        QCOMPARE(item.sources.kind, SourceFate::NotAsked);
    }
    if (failure == Problem::FfmpegFailedToStart) // in the system's words, the same for each
        QCOMPARE(run.items.at(1).failure.detail, run.only().failure.detail);
    if (failure == Problem::FfmpegExited) {
        QCOMPARE(run.only().failure.exitCode, 1);
        QCOMPARE(run.only().failure.detail, QStringLiteral("Conversion failed!"));
    }
    // Nothing was produced under an output name, nothing was left half-written, nothing removed.
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

void tst_Supervision::stopEndsAHangingConversionQuickly()
{
    cache.addItem(QStringLiteral("1"), QStringLiteral("First"));
    cache.addItem(QStringLiteral("2"), QStringLiteral("Second"));
    const QString before = CacheBuilder::snapshot(root());
    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", "hang");
    WorkerThread run;
    ThreadObject *worker = run.worker;
    worker->setFfmpegProgram(QStringLiteral(FAKE_FFMPEG_PATH));
    worker->setDeleteSource(true);
    WorkerRun seen;
    worker->setObserver(recordInto(seen));
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
    QCOMPARE(seen.items.size(), 1); // no further item after the stop
    QCOMPARE(seen.only().failure.kind, Problem::Stopped);
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

void tst_Supervision::stopDuringThePauseKeepsTheSources()
{
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Paused"));
    WorkerThread run;
    ThreadObject *worker = run.worker;
    worker->setPauseInterval(60000);
    worker->setDeleteSource(true);
    WorkerRun seen;
    worker->setObserver(recordInto(seen));
    QSignalSpy finished(worker, &ThreadObject::convertFinished_Signal);
    run.start();
    run.request(root());
    // The output takes its name just before the pause begins; the stop comes during the pause.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root() + QStringLiteral("/Paused.mp4")), 30000);
    worker->stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    QCOMPARE(seen.items.size(), 1);
    QCOMPARE(seen.only().outcome, ItemResult::Converted);
    QCOMPARE(seen.only().sources.kind, SourceFate::NotAsked);
    QVERIFY(QFile::exists(video + QStringLiteral("/video.m4s")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/Paused.mp4")));
}

void tst_Supervision::stopWhileFfmpegStarts()
{
    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", "hang");
    FfmpegProcess ffmpeg;
    const Problem ran =
        ffmpeg.run(QStringLiteral(FAKE_FFMPEG_PATH), { cache.base() + QStringLiteral("/out.mp4") },
                   [] { return true; });
    QCOMPARE(ran.kind, Problem::Stopped);
    QVERIFY(ffmpeg.wasKilled());
    QCOMPARE(ffmpeg.process()->state(), QProcess::NotRunning);
}

void tst_Supervision::aStartThatFailsForAMomentIsTriedAgain()
{
#ifndef Q_OS_UNIX
    QSKIP("makes the program unstartable for a moment the POSIX way");
#else
    // As a virus scanner can make a start fail for a moment on Windows: here another program
    // has ffmpeg open for writing (as while it is still being copied) for half a second.
    // Over the first of several items: once ffmpeg can start, every one converts.
    for (const QString &item : { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") })
        cache.addItem(item, QStringLiteral("Later") + item);
    const QString program = cache.base() + QStringLiteral("/ffmpeg");
    const QString held = program + QStringLiteral(".held");
    QVERIFY(QFile::copy(CacheBuilder::ffmpeg(), program));
    QVERIFY(QProcess::startDetached(
        QStringLiteral("sh"),
        { QStringLiteral("-c"),
          QStringLiteral("exec 3>>'%1'; touch '%2'; sleep 0.5").arg(program, held) }));
    QTRY_VERIFY(QFile::exists(held));
    const WorkerRun run = runWorker(root(), false, [&](ThreadObject &worker, RunObserver &) {
        worker.setFfmpegProgram(program);
    });
    QCOMPARE(run.items.size(), 3);
    for (const ItemResult &item : run.items)
        QVERIFY2(item.outcome == ItemResult::Converted, qPrintable(run.described()));
#endif
}

void tst_Supervision::startFailuresThatMayPass_data()
{
    QTest::addColumn<int>("error"); // errno of the failed start
    QTest::addColumn<bool>("mayPass");
#ifdef Q_OS_UNIX
    QTest::newRow("the program open for writing") << int(ETXTBSY) << true;
    QTest::newRow("no resources for a process just now") << int(EAGAIN) << true;
    QTest::newRow("no such program") << int(ENOENT) << false;
    QTest::newRow("not allowed to run it") << int(EACCES) << false;
    QTest::newRow("not a program") << int(ENOEXEC) << false;
#else
    QTest::newRow("POSIX reasons only") << 0 << false;
#endif
}

void tst_Supervision::startFailuresThatMayPass()
{
#ifndef Q_OS_UNIX
    QSKIP("the POSIX reasons for a failed start");
#else
    QFETCH(int, error);
    QFETCH(bool, mayPass);
    // As QProcess words a start that failed.
    QCOMPARE(startFailureMayPass(QStringLiteral("execve: ") + qt_error_string(error)), mayPass);
#endif
}

void tst_Supervision::closedGateSkipsTheJob()
{
    cache.addItem(QStringLiteral("1"), QStringLiteral("First"));
    cache.addItem(QStringLiteral("2"), QStringLiteral("Second"));
    const QString before = CacheBuilder::snapshot(root());
    const WorkerRun run = runWorker(root(), true, [](ThreadObject &worker, RunObserver &) {
        QMetaObject::invokeMethod(&worker, "processstartedSlot");
    });

    QCOMPARE(run.names.size(), 2);
    QCOMPARE(run.items.size(), 2);
    for (const ItemResult &item : run.items)
        QCOMPARE(item.outcome, ItemResult::Passed);
    QCOMPARE(run.ends, 1);
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

QTEST_GUILESS_MAIN(tst_Supervision)
#include "tst_supervision.moc"
