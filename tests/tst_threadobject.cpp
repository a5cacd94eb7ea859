// SPDX-License-Identifier: MIT
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "cachebuilder.h"
#include "cachetest.h"
#include "debugcapture.h"
#include "threadobject.h"

class tst_ThreadObject : public QObject
{
    Q_OBJECT

private slots:
    void emitCurrentFileName_data();
    void emitCurrentFileName();
    void linesNameTheCallingThread();
    void processSlotsTrackTheStart_data();
    void processSlotsTrackTheStart();
    void missingFolderStillEndsTheRun();
};

void tst_ThreadObject::emitCurrentFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("emissions");
    QTest::newRow("empty name emits nothing") << QString() << 0;
    QTest::newRow("a name is passed on unchanged") << QStringLiteral("第1集 a.mp4") << 1;
}

void tst_ThreadObject::emitCurrentFileName()
{
    QFETCH(QString, name);
    QFETCH(int, emissions);
    ThreadObject worker;
    QSignalSpy spy(&worker, &ThreadObject::currentFileName_Signal);
    QVERIFY(spy.isValid());
    worker.emitCurrentFileName(name);
    QCOMPARE(spy.count(), emissions);
    if (emissions)
        QCOMPARE(spy.at(0).at(0).toString(), name);
}

void tst_ThreadObject::linesNameTheCallingThread()
{
    DebugCapture debug;
    const QString gui = QString::asprintf("%p", static_cast<void *>(QThread::currentThreadId()));
    QThread thread;
    {
        ThreadObject worker;
        worker.moveToThread(&thread);
        thread.start();
        worker.stop();
        thread.quit();
        thread.wait();
    }
    const QStringList constructed = debug.matching(QStringLiteral("threadobject"));
    QCOMPARE(constructed.size(), 2); // the constructor's line and stop's line
    QVERIFY2(constructed.at(0).contains(QStringLiteral(" ThreadObject ")),
             qPrintable(constructed.at(0)));
    QVERIFY2(constructed.at(0).endsWith(gui), qPrintable(constructed.at(0) + " vs " + gui));
    QVERIFY2(constructed.at(1).startsWith(QStringLiteral("ThreadObject() in  ")),
             qPrintable(constructed.at(1)));
    QVERIFY2(constructed.at(1).endsWith(QStringLiteral(" stop ") + gui),
             qPrintable(constructed.at(1)));
    QCOMPARE(debug.count(QStringLiteral("ThreadObject destroy")), 1);
}

void tst_ThreadObject::processSlotsTrackTheStart_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::newRow("normal exit") << 0;
    QTest::newRow("error exit") << 1;
    QTest::newRow("crash code") << -1;
}

void tst_ThreadObject::processSlotsTrackTheStart()
{
    QFETCH(int, exitCode);
    ThreadObject worker;
    DebugCapture debug;
    // The process slots are private: reach them as the processes do, through the meta-object.
    // Each opens or closes the gate: while a process runs, an item is passed over. A dry run
    // shows it without ffmpeg, and takes no lock (a real run beside it would see it held).
    QTemporaryDir cache;
    QVERIFY(CacheBuilder::writeFile(cache.filePath(QStringLiteral("1/64/video.m4s")), "v"));
    worker.setDryRun(true);
    WorkerRun run;
    worker.setObserver(recordInto(run));
    QStringList locks;
    connect(
        &worker, &ThreadObject::currentFileName_Signal, &worker,
        [&] { locks += QDir(cache.path()).entryList({ QStringLiteral("*.lock") }); },
        Qt::DirectConnection);
    QVERIFY(QMetaObject::invokeMethod(&worker, "processstartedSlot"));
    worker.runConversion(cache.path());
    QVERIFY(QMetaObject::invokeMethod(&worker, "processfinishedSlot", Q_ARG(int, exitCode)));
    worker.runConversion(cache.path());
    QCOMPARE(run.items.size(), 2);
    QCOMPARE(run.items.at(0).outcome, ItemResult::Passed);
    QCOMPARE(run.items.at(1).outcome, ItemResult::WouldConvert);
    QCOMPARE(locks, QStringList());
    QCOMPARE(debug.lines().filter(QStringLiteral("Slot")),
             QStringList({ QStringLiteral(" processstartedSlot "),
                           QStringLiteral(" processfinishedSlot  %1").arg(exitCode) }));
}

void tst_ThreadObject::missingFolderStillEndsTheRun()
{
    ThreadObject worker;
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    QSignalSpy message(&worker, &ThreadObject::message_FromSubthread_Signal);
    worker.runSomeBigWork1(QStringLiteral("/no/such/folder/anywhere"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(message.count(), 1);
    QVERIFY(message.at(0).at(0).toString().contains(QStringLiteral("/no/such/folder/anywhere")));
}

QTEST_GUILESS_MAIN(tst_ThreadObject)
#include "tst_threadobject.moc"
