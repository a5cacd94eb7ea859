// SPDX-License-Identifier: MIT
// How a run copes with an ffmpeg that fails, crashes, hangs, or is not there at all.
// A scripted stand-in plays the faults the real ffmpeg cannot be made to show.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "cachebuilder.h"
#include "debugcapture.h"
#include "scopedenvironment.h"
#include "threadobject.h"
#include "workerthread.h"

class tst_Supervision : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void failedConversionKeepsEverything_data();
    void failedConversionKeepsEverything();
    void stopEndsAHangingConversionQuickly_data();
    void stopEndsAHangingConversionQuickly();
    void ffprobeBesideFfmpegComesFirst_data();
    void ffprobeBesideFfmpegComesFirst();
    void closedGateSkipsTheJob();

private:
    QString root() const { return dir->path() + QStringLiteral("/cache"); }
    std::unique_ptr<QTemporaryDir> dir;
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
    CacheBuilder::addItem(root(), QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("First")));
    CacheBuilder::addItem(root(), QStringLiteral("2"),
                          CacheBuilder::entryJson(QStringLiteral("Second")));
    sourcesBefore = CacheBuilder::snapshot(root());
}

void tst_Supervision::failedConversionKeepsEverything_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("reason");

    const QString fake = QStringLiteral(FAKE_FFMPEG_PATH);
    QTest::newRow("exit code with ffmpeg's last words")
        << fake << QByteArray("fail") << qgetenv("PATH")
        << QStringLiteral("ffmpeg 退出码 1：Conversion failed!");
    QTest::newRow("crash half-way")
        << fake << QByteArray("crash") << qgetenv("PATH") << QStringLiteral("ffmpeg 崩溃");
    QTest::newRow("named program does not exist")
        << QStringLiteral("/nonexistent/bin/ffmpeg") << QByteArray() << qgetenv("PATH")
        << QStringLiteral("无法启动 ffmpeg");
    QTest::newRow("no ffmpeg anywhere") << QString() << QByteArray() << QByteArray("/nonexistent")
                                        << QStringLiteral("未找到 ffmpeg");
}

void tst_Supervision::failedConversionKeepsEverything()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, path);
    QFETCH(QString, reason);

    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", mode);
    ScopedEnv searchPath("PATH", path);
    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(true);
    worker.setFfmpegProgram(program);
    QSignalSpy report(&worker, &ThreadObject::message_FromSubthread_Signal);
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    DebugCapture debug;
    worker.runConversion(root());

    QCOMPARE(finished.count(), 1);
    QCOMPARE(debug.count(QStringLiteral("all finished")), 1);
    QCOMPARE(report.count(), 1);
    const QStringList lines = report.at(0).at(0).toString().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("转换成功 0 个，已存在而跳过 0 个，失败 2 个。"));
    for (const QString &line : lines.mid(1))
        QVERIFY2(line.contains(reason), qPrintable(line));
    // Nothing was produced under an output name, nothing was left half-written, nothing removed.
    QCOMPARE(CacheBuilder::snapshot(root()), sourcesBefore);
}

void tst_Supervision::stopEndsAHangingConversionQuickly_data()
{
    QTest::addColumn<bool>("probeHangs");
    QTest::newRow("ffmpeg hangs") << false;
    QTest::newRow("ffprobe hangs over the finished output") << true;
}

void tst_Supervision::stopEndsAHangingConversionQuickly()
{
    QFETCH(bool, probeHangs);
    // The real ffmpeg with a hanging ffprobe beside it, or the stand-in ffmpeg that hangs.
    QTemporaryDir tools;
    QVERIFY2(tools.isValid(), qPrintable(tools.errorString()));
    const QString realFfmpeg =
        CacheBuilder::placeProgram(CacheBuilder::ffmpeg(), tools.path(), QStringLiteral("ffmpeg"));
    QVERIFY(!realFfmpeg.isEmpty());
    QVERIFY(!CacheBuilder::placeProgram(QStringLiteral(FAKE_FFMPEG_PATH), tools.path(),
                                        QStringLiteral("ffprobe"))
                 .isEmpty());
    ScopedEnv fakeMode("VANTORO_FAKE_FFMPEG_MODE", "hang");
    ScopedEnv fakeProbeMode("VANTORO_FAKE_FFPROBE_MODE", "hang");
    WorkerThread run;
    ThreadObject *worker = run.worker;
    worker->setFfmpegProgram(probeHangs ? realFfmpeg : QStringLiteral(FAKE_FFMPEG_PATH));
    worker->setDeleteSource(true);
    QSignalSpy finished(worker, &ThreadObject::convertFinished_Signal);
    QSignalSpy report(worker, &ThreadObject::message_FromSubthread_Signal);
    DebugCapture debug;
    run.start();
    run.request(root());
    QTRY_COMPARE(debug.count(QStringLiteral(" processstartedSlot ")), 1);
    if (probeHangs)
        QTRY_COMPARE_WITH_TIMEOUT(debug.count(QStringLiteral(" processfinishedSlot ")), 1, 20000);
    QTRY_VERIFY(CacheBuilder::snapshot(root()).contains(QStringLiteral(" .partial.mp4")));

    QElapsedTimer clock;
    clock.start();
    worker->stop();
    QVERIFY(run.finish(5000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));

    QCOMPARE(debug.count(QStringLiteral("finished but still runing,kill it")), probeHangs ? 0 : 1);
    QCOMPARE(debug.count(QStringLiteral(" processstartedSlot ")), 1); // no further job
    QCOMPARE(finished.count(), 1);
    QVERIFY(report.at(0).at(0).toString().contains(QStringLiteral("已停止")));
    QCOMPARE(CacheBuilder::snapshot(root()), sourcesBefore);
}

void tst_Supervision::ffprobeBesideFfmpegComesFirst_data()
{
    QTest::addColumn<bool>("besideFfmpeg");
    QTest::newRow("ffprobe neither beside ffmpeg nor on PATH") << false;
    QTest::newRow("ffprobe only beside the named ffmpeg") << true;
}

void tst_Supervision::ffprobeBesideFfmpegComesFirst()
{
    QFETCH(bool, besideFfmpeg);
    QTemporaryDir tools;
    QVERIFY2(tools.isValid(), qPrintable(tools.errorString()));
    const QString ffmpeg =
        CacheBuilder::placeProgram(CacheBuilder::ffmpeg(), tools.path(), QStringLiteral("ffmpeg"));
    QVERIFY(!ffmpeg.isEmpty());
    if (besideFfmpeg)
        QVERIFY(!CacheBuilder::placeProgram(CacheBuilder::ffprobe(), tools.path(),
                                            QStringLiteral("ffprobe"))
                     .isEmpty());
    ScopedEnv searchPath("PATH", "/nonexistent");

    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(true);
    worker.setFfmpegProgram(ffmpeg);
    QSignalSpy report(&worker, &ThreadObject::message_FromSubthread_Signal);
    worker.runConversion(root());

    QVERIFY(QFile::exists(root() + QStringLiteral("/First.mp4")));
    QCOMPARE(QFile::exists(root() + QStringLiteral("/1/64/video.m4s")), !besideFfmpeg);
    QCOMPARE(QFile::exists(root() + QStringLiteral("/2/64/audio.m4s")), !besideFfmpeg);
    QCOMPARE(report.count(), besideFfmpeg ? 0 : 1);
    if (!besideFfmpeg)
        QCOMPARE(report.at(0).at(0).toString().count(QStringLiteral("ffprobe")), 2);
}

void tst_Supervision::closedGateSkipsTheJob()
{
    ThreadObject worker;
    worker.setPauseInterval(0);
    worker.setDeleteSource(true);
    QVERIFY(QMetaObject::invokeMethod(&worker, "processstartedSlot"));
    QSignalSpy names(&worker, &ThreadObject::currentFileName_Signal);
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    DebugCapture debug;
    worker.runConversion(root());

    QCOMPARE(names.count(), 2);
    QCOMPARE(debug.count(QStringLiteral(" isstarted: true")), 2);
    QCOMPARE(debug.count(QStringLiteral("processstartedSlot")), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(CacheBuilder::snapshot(root()), sourcesBefore);
}

QTEST_GUILESS_MAIN(tst_Supervision)
#include "tst_supervision.moc"
