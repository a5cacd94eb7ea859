// SPDX-License-Identifier: MIT
// Windows' own ways of failing a program that renames and removes files: a file another
// program holds open, and a session that ends while a conversion runs. Run under Wine here;
// elsewhere these cases cannot happen, and the suite says so.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "cachebuilder.h"
#include "cachetest.h"
#include "files/heldfile.h"
#include "output/outputfile.h"
#include "scopedenvironment.h"

class tst_Windows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void aFileAnotherProgramHolds_data();
    void aFileAnotherProgramHolds();
    void theSessionEndsDuringAConversion_data();
    void theSessionEndsDuringAConversion();

private:
    QString root() const { return cache.root(); }
    CacheTest cache;
};

void tst_Windows::initTestCase()
{
#ifndef Q_OS_WIN
    QSKIP("Windows' own ways of failing are tested on Windows (here, under Wine)");
#endif
    QString why;
    if (!CacheTest::prepare(&why))
        QSKIP(qPrintable(why));
}

void tst_Windows::init()
{
    QString why;
    QVERIFY2(cache.reset(&why), qPrintable(why));
}

void tst_Windows::aFileAnotherProgramHolds_data()
{
    QTest::addColumn<QString>("held"); // the stream, or the finished output before its rename
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<SourceFate::Kind>("fate");
    QTest::addColumn<Problem::Kind>("reason");
    QTest::newRow("a stream held for a moment as its removal begins")
        << "video" << 1500 << SourceFate::Removed << Problem::None;
    QTest::newRow("a stream held for longer than a user would wait")
        << "video" << heldFileWaitMs + 3000 << SourceFate::Kept << Problem::SourceHeld;
    QTest::newRow("the finished output held for a moment as it takes its name")
        << "temporary" << 2500 << SourceFate::Removed << Problem::None;
    // As a window showing the folder holds it: the streams go, the folder stays until the next run.
    QTest::newRow("the item folder held all the while it is removed")
        << "folder" << heldFileWaitMs + 3000 << SourceFate::RemovalFailed << Problem::RemovalFailed;
}

void tst_Windows::aFileAnotherProgramHolds()
{
    QFETCH(QString, held);
    QFETCH(int, milliseconds);
    QFETCH(SourceFate::Kind, fate);
    QFETCH(Problem::Kind, reason);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Held"));
    const QString file = held == QLatin1String("video") ? video + QStringLiteral("/video.m4s")
        : held == QLatin1String("folder")               ? root() + QStringLiteral("/1")
                                          : root() + QStringLiteral("/Held .partial.mp4");
    QProcess holder;
    const auto hold = [&] {
        holder.start(QStringLiteral(HOLD_FILE_PATH),
                     { file, QString::number(milliseconds), QStringLiteral("--share-writes") });
        holder.waitForReadyRead(10000);
    };
    bool begun = false;
    const WorkerRun run = runWorker(root(), true, [&](ThreadObject &worker, RunObserver &observer) {
        worker.setPauseInterval(50);
        observer.progress = [&](const ConversionProgress &) {
            if (std::exchange(begun, true))
                return;
            // The output is held while ffmpeg still writes it; a stream from the pause on, just
            // before its removal begins.
            if (held != QLatin1String("temporary"))
                QMetaObject::invokeMethod(&worker, hold, Qt::QueuedConnection);
            else
                hold();
        };
    });
    QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0); // it did hold the file

    QCOMPARE(run.only().outcome, ItemResult::Converted);
    QCOMPARE(run.only().sources.kind, fate);
    QCOMPARE(run.only().sources.reason.kind, reason);
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Held.mp4")).hasAudio);
    // Held too long, the item stays whole (or keeps its folder), and the next run finishes it.
    if (fate != SourceFate::Removed) {
        QCOMPARE(QFile::exists(video + QStringLiteral("/video.m4s")), fate == SourceFate::Kept);
        QCOMPARE(QFile::exists(video + QStringLiteral("/audio.m4s")), fate == SourceFate::Kept);
        const WorkerRun next = runWorker(root(), true);
        QCOMPARE(next.only().sources.kind, SourceFate::Removed);
        QCOMPARE(next.only().earlierRemoval, fate != SourceFate::Kept);
    }
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
}

void tst_Windows::theSessionEndsDuringAConversion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("event");
    // Wine ends its session by sending each window WM_QUERYENDSESSION and WM_ENDSESSION, as
    // Windows does at log-off and shutdown. Of the console's events it passes on only Ctrl-C;
    // a console program learns nothing else before its end there.
    QTest::newRow("the window, when the session ends")
        << QStringLiteral(WINDOW_RUN_PATH) << QStringLiteral("session");
    QTest::newRow("vantoro-cli, Ctrl-C in its console window")
        << QStringLiteral(VANTORO_CLI_PATH) << QStringLiteral("ctrl-c");
}

void tst_Windows::theSessionEndsDuringAConversion()
{
#ifdef Q_OS_WIN
    QFETCH(QString, program);
    QFETCH(QString, event);
    const QString wineboot = QStandardPaths::findExecutable(QStringLiteral("wineboot"));
    if (event == QLatin1String("session") && wineboot.isEmpty())
        QSKIP("ending the session on request needs Wine's wineboot");
    cache.addItem(QStringLiteral("1"), QStringLiteral("Ending"));
    const QString before = CacheBuilder::snapshot(cache.base());
    const QString pidFile = cache.base() + QStringLiteral(".pid");
    FakeFfmpegOnPath fake("hang");
    QVERIFY(fake.isValid());
    ScopedEnv pid("VANTORO_FAKE_FFMPEG_PIDFILE", QFile::encodeName(pidFile));
    QProcess converting;
    // vantoro-cli in a console of its own, as in a console window the user opened. The window
    // has none: a console ended with the session takes the programs in it along.
    if (program == QLatin1String(VANTORO_CLI_PATH))
        converting.setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments *arguments) {
                arguments->flags |= CREATE_NEW_CONSOLE;
            });
    converting.start(program, { root() });
    QVERIFY(converting.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(CacheBuilder::writtenPid(pidFile) > 0, 60000);
    const qint64 ffmpeg = CacheBuilder::writtenPid(pidFile);
    const auto reap = qScopeGuard([ffmpeg] { CacheBuilder::endProcess(ffmpeg); });

    if (event == QLatin1String("session"))
        QProcess::execute(wineboot, { QStringLiteral("--end-session") });
    else
        QCOMPARE(QProcess::execute(QStringLiteral(CONSOLE_EVENT_PATH),
                                   { QString::number(converting.processId()) }),
                 0);
    // Within the five seconds Windows gives a closing console.
    QVERIFY(converting.waitForFinished(5000));
    QVERIFY(!CacheBuilder::processRunning(ffmpeg));
    if (event == QLatin1String("ctrl-c"))
        QCOMPARE(converting.exitCode(), 130);
    // The run stopped as at Ctrl-C: its temporary file and locks gone, the sources untouched.
    // Else what the program said of its end tells why.
    const QString after = CacheBuilder::snapshot(cache.base());
    QVERIFY2(after == before,
             qPrintable(after + QStringLiteral("\n--- it said:\n")
                        + QString::fromLocal8Bit(converting.readAllStandardError().right(3000))));
#endif
}

QTEST_GUILESS_MAIN(tst_Windows)
#include "tst_windows.moc"
