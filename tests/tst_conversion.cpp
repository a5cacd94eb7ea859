// SPDX-License-Identifier: MIT
// Whole runs with the real ffmpeg on generated cache trees.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cachebuilder.h"
#include "cachetest.h"
#include "debugcapture.h"
#include "files/cachewalk.h"
#include "threadobject.h"
#include "workerthread.h"

class tst_Conversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void convertsEveryItemBesideItsFolder_data();
    void convertsEveryItemBesideItsFolder();
    void existingOutputIsSkippedAndKept();
    void aFileAtTheTemporaryName_data();
    void aFileAtTheTemporaryName();
    void walkRules();
    void aStopEndsOnlyTheRunInProgress();
    void unusableInputsAreReported_data();
    void unusableInputsAreReported();
    void secondRequestRunsInsideTheFirst();
    void removalChoiceAppliesToLaterItems();
    void debugLinesOfARun_data();
    void debugLinesOfARun();
    void aCacheThatChangesUnderARun_data();
    void aCacheThatChangesUnderARun();

private:
    QString root() const { return cache.root(); }
    CacheTest cache;
};

void tst_Conversion::initTestCase()
{
    QString why;
    if (!CacheTest::prepare(&why))
        QSKIP(qPrintable(why));
}

void tst_Conversion::init()
{
    QString why;
    QVERIFY2(cache.reset(&why), qPrintable(why));
}

void tst_Conversion::convertsEveryItemBesideItsFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("below"); // where the second item lies in it
    QTest::newRow("plain folder") << "cache"
                                  << "season";
#ifdef Q_OS_WIN
    QTest::newRow("blanks and Chinese in the path") << "my cache 下载 目录" // no tabs on Windows
                                                    << "season";
#else
    QTest::newRow("blanks, a tab and Chinese in the path") << "my cache\t下载 目录"
                                                           << "season";
#endif
    QTest::newRow("Chinese only below the chosen folder") << "cache"
                                                          << "下载";
}

void tst_Conversion::convertsEveryItemBesideItsFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, below);
    const QString top = cache.base() + QLatin1Char('/') + folder;
    CacheBuilder::addItem(top, QStringLiteral("111"),
                          CacheBuilder::entryJson(QStringLiteral("第1集 开始")));
    CacheBuilder::addItem(top, below + QStringLiteral("/222"),
                          CacheBuilder::entryJson(QStringLiteral("Episode 2")));

    ThreadObject worker;
    worker.setPauseInterval(0);
    QSignalSpy names(&worker, &ThreadObject::currentFileName_Signal);
    QSignalSpy finished(&worker, &ThreadObject::convertFinished_Signal);
    QSignalSpy report(&worker, &ThreadObject::message_FromSubthread_Signal);
    worker.runSomeBigWork1(top);

    QCOMPARE(finished.count(), 1);
    QVERIFY2(report.isEmpty(), report.isEmpty() ? "" : qPrintable(report.at(0).at(0).toString()));
    QCOMPARE(names.count(), 2);
    for (const QString &output :
         { top + QStringLiteral("/第1集开始.mp4"),
           top + QLatin1Char('/') + below + QStringLiteral("/Episode2.mp4") }) {
        QVERIFY2(QFile::exists(output), qPrintable(output));
        const MediaInfo media = CacheBuilder::probe(output);
        QVERIFY(media.hasVideo && media.hasAudio);
        QVERIFY(qAbs(media.video - CacheBuilder::streamSeconds()) < 0.5);
    }
    // Removal is off: every source stays, and no temporary file is left.
    QVERIFY(QFile::exists(top + QStringLiteral("/111/64/video.m4s")));
    QVERIFY(QFile::exists(top + QLatin1Char('/') + below + QStringLiteral("/222/64/audio.m4s")));
    QVERIFY(!CacheBuilder::snapshot(top).contains(QStringLiteral(".partial.mp4")));
    QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

void tst_Conversion::existingOutputIsSkippedAndKept()
{
    cache.addItem(QStringLiteral("1"), QStringLiteral("Kept"));
    const QString output = root() + QStringLiteral("/Kept.mp4");
    QVERIFY(CacheBuilder::writeFile(output, "not really a video"));

    const WorkerRun run = runWorker(root(), true);

    QCOMPARE(run.names.size(), 1);
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not really a video"));
    // The existing file is no verified conversion, so the sources stay and the user is told
    // that it cannot be read (not that it is someone else's).
    QVERIFY(QFile::exists(root() + QStringLiteral("/1/64/video.m4s")));
    QCOMPARE(run.items.size(), 1);
    QCOMPARE(run.only().outcome, ItemResult::Skipped);
    QCOMPARE(run.only().sources.kind, SourceFate::Kept);
    QCOMPARE(run.only().sources.reason.kind, Problem::OutputUnreadable);
    QCOMPARE(run.messages.size(), 1);
}

void tst_Conversion::aFileAtTheTemporaryName_data()
{
    QTest::addColumn<bool>("crashed"); // the lock a killed run left stands beside it
    QTest::newRow("left by a run that crashed: replaced") << true;
    QTest::newRow("a user's own, no run's lock beside it: it stays, and the item waits") << false;
}

void tst_Conversion::aFileAtTheTemporaryName()
{
    QFETCH(bool, crashed);
    cache.addItem(QStringLiteral("1"), QStringLiteral("Again"));
    const QString temporary = root() + QStringLiteral("/Again .partial.mp4");
    QVERIFY(CacheBuilder::writeFile(temporary, "left by a crash"));
    if (crashed)
        QVERIFY(CacheBuilder::writeLockOfAGoneRun(temporary + QStringLiteral(".lock")));
    // An item titled "Again.partial" owns this name: it is no temporary file of ours.
    QVERIFY(
        CacheBuilder::writeFile(root() + QStringLiteral("/Again.partial.mp4"), "another video"));

    const WorkerRun run = runWorker(root());
    QCOMPARE(run.messages.isEmpty(), crashed);
    QCOMPARE(QFileInfo::exists(root() + QStringLiteral("/Again.mp4")), crashed);
    QCOMPARE(QFileInfo::exists(temporary), !crashed);
    QCOMPARE(run.only().failure.kind, crashed ? Problem::None : Problem::TemporaryNameBlocked);
    QCOMPARE(run.walkProblems.size(), crashed ? 0 : 1);
    QVERIFY(!QFileInfo::exists(temporary + QStringLiteral(".lock")));
    QFile other(root() + QStringLiteral("/Again.partial.mp4"));
    QVERIFY(other.open(QIODevice::ReadOnly));
    QCOMPARE(other.readAll(), QByteArray("another video"));
}

void tst_Conversion::walkRules()
{
    const QString upper = cache.addItem(QStringLiteral("upper"), QStringLiteral("Upper"));
    QVERIFY(
        QFile::rename(upper + QStringLiteral("/video.m4s"), upper + QStringLiteral("/VIDEO.M4S")));
    cache.addItem(QStringLiteral(".hidden/1"), QStringLiteral("Hidden"));
    const QString other = cache.addItem(QStringLiteral("other"), QStringLiteral("Other"));
    QVERIFY(QFile::rename(other + QStringLiteral("/video.m4s"),
                          other + QStringLiteral("/myvideo.m4s")));

    QCOMPARE(runWorker(root()).names, QStringList { QStringLiteral("Upper.mp4") });
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Upper.mp4")).hasVideo);

    // A folder that becomes a link after its parent was listed is not entered.
    if (!CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    const QString walked = cache.base() + QStringLiteral("/walked");
    for (const QString &item : { QStringLiteral("a/1"), QStringLiteral("b/1") })
        CacheBuilder::addItem(walked, item, QByteArray());
    CacheWalk walk(walked);
    QVERIFY(walk.hasNext());
    walk.next();
    const QString unlisted = walked
        + (walk.videoFile().startsWith(walked + QStringLiteral("/a/")) ? QStringLiteral("/b")
                                                                       : QStringLiteral("/a"));
    const QString aside = cache.base() + QStringLiteral("/aside");
    QVERIFY(QFile::rename(unlisted, aside) && QFile::link(aside, unlisted));
    QVERIFY(!walk.hasNext());
}

void tst_Conversion::aStopEndsOnlyTheRunInProgress()
{
    cache.addItem(QStringLiteral("1"), QStringLiteral("Later"));
    // As at the end of an earlier, interrupted run.
    QVERIFY(runWorker(root(), false, [](ThreadObject &worker, RunObserver &) {
                worker.stop();
            }).messages.isEmpty());
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Later.mp4")).hasVideo);
}

void tst_Conversion::unusableInputsAreReported_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<Problem::Kind>("problem");
    QTest::newRow("a folder path too long to open") << "deep" << Problem::PathTooLong;
    // Not too long in characters, only in the bytes the system counts.
    QTest::newRow("a Chinese folder path too long to open")
        << "deep in Chinese" << Problem::PathTooLong;
    QTest::newRow("entry.json that is a pipe") << "entrypipe" << Problem::EntryNotRegular;
    QTest::newRow("audio.m4s that is a pipe") << "audiopipe" << Problem::StreamNotRegular;
    QTest::newRow("audio.m4s a link to a file outside") << "audiolink" << Problem::StreamNotRegular;
    QTest::newRow("a folder that cannot be read") << "unreadable" << Problem::FolderUnreadable;
    QTest::newRow("a folder that can be listed, not entered")
        << "unenterable" << Problem::FolderUnreadable;
    // With removal asked: whose it is cannot be told, and that is not because no tag was found.
    QTest::newRow("a file at the output's name that may not be read")
        << "outputunreadable" << Problem::OutputUnreadable;
    // No lock can be made there, and that is not another run's doing.
    QTest::newRow("an output folder that can be read, not written")
        << "readonly" << Problem::ItemLockRefused;
}

void tst_Conversion::unusableInputsAreReported()
{
#ifndef Q_OS_UNIX
    QSKIP("makes pipes, permissions and paths the POSIX way");
#else
    QFETCH(QString, trouble);
    QFETCH(Problem::Kind, problem);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Fine"));
    const QString bad = root() + QStringLiteral("/bad");
    QVERIFY(QDir().mkpath(bad));
    if (trouble == QLatin1String("entrypipe") || trouble == QLatin1String("audiopipe")) {
        const QString stream = CacheBuilder::addItem(bad, QStringLiteral("2"), QByteArray());
        const QString pipe = trouble == QLatin1String("entrypipe")
            ? bad + QStringLiteral("/2/entry.json")
            : stream + QStringLiteral("/audio.m4s");
        QFile::remove(pipe);
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    } else if (trouble == QLatin1String("audiolink")) {
        const QString stream = CacheBuilder::addItem(bad, QStringLiteral("2"), QByteArray());
        const QString outside = cache.base() + QStringLiteral("/outside.m4s");
        QVERIFY(QFile::rename(stream + QStringLiteral("/audio.m4s"), outside));
        QVERIFY(QFile::link(outside, stream + QStringLiteral("/audio.m4s")));
    } else if (!trouble.startsWith(QLatin1String("deep"))) {
        CacheBuilder::addItem(bad, QStringLiteral("2"),
                              CacheBuilder::entryJson(QStringLiteral("Hidden")));
        if (trouble == QLatin1String("outputunreadable")) {
            const QString output = bad + QStringLiteral("/Hidden.mp4");
            QVERIFY(CacheBuilder::writeFile(output, "no one but its owner may read this"));
            QVERIFY(QFile::setPermissions(output, QFileDevice::WriteOwner));
        }
    } else {
        // Made one step at a time: no single call may name the whole path. In Chinese, each
        // character takes three bytes.
        const QString step = trouble == QLatin1String("deep") ? QString(200, QLatin1Char('d'))
                                                              : QString(80, QChar(0x4E0B));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(bad));
        for (int depth = 0; depth < 24; ++depth)
            QVERIFY(QDir().mkdir(step) && QDir::setCurrent(step));
        QDir::setCurrent(previous);
    }

    // Unreadable: only its owner may write it. Unenterable: everyone may list it, no one enter.
    // Read-only: everyone may read and enter it. Else: everyone may do anything.
    const QFileDevice::Permissions everyone = QFileDevice::ReadOwner | QFileDevice::ReadGroup
        | QFileDevice::ReadOther | QFileDevice::ExeOwner | QFileDevice::ExeGroup
        | QFileDevice::ExeOther;
    const QFileDevice::Permissions kept = trouble == QLatin1String("unreadable")
        ? QFileDevice::WriteOwner
        : trouble == QLatin1String("unenterable")
        ? QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther
        : trouble == QLatin1String("readonly")
        ? everyone
        : everyone | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const bool removal = trouble == QLatin1String("outputunreadable");
    const bool permissions = trouble == QLatin1String("unreadable")
        || trouble == QLatin1String("unenterable") || trouble == QLatin1String("readonly")
        || removal;
    if (permissions)
        QVERIFY(QFile::setPermissions(bad, kept));
    // Permissions never keep root out: as root, the program runs as nobody to meet them.
    const QStringList unprivileged =
        permissions ? CacheBuilder::asUnprivilegedUser() : QStringList();
    if (!unprivileged.isEmpty()) {
        // A copy beside the cache: the build folder may sit where nobody cannot go (/root).
        const QString program = cache.base() + QStringLiteral("/vantoro-cli");
        QVERIFY(QFile::copy(QStringLiteral(VANTORO_CLI_PATH), program));
        QVERIFY(CacheBuilder::openToEveryone(cache.base()));
        QVERIFY(QFile::setPermissions(bad, kept));
        QProcess cli;
        QStringList arguments = unprivileged.mid(1) << program;
        if (removal)
            arguments << QStringLiteral("--delete-source");
        cli.start(unprivileged.first(), arguments << root());
        QVERIFY(cli.waitForFinished(60000));
        const QString said = QString::fromLocal8Bit(cli.readAll());
        QFile::setPermissions(
            bad, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY2(said.contains(problem == Problem::FolderUnreadable
                                   ? QStringLiteral("a folder cannot be read")
                                   : problem == Problem::OutputUnreadable
                                   ? QStringLiteral("cannot be read as a video")
                                   : QStringLiteral("the output folder cannot be written")),
                 qPrintable(said));
        QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Fine.mp4")).hasAudio);
        QCOMPARE(QFile::exists(video + QStringLiteral("/video.m4s")), !removal);
        return;
    }
    const WorkerRun run = runWorker(root(), removal);
    QFile::setPermissions(bad,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(run.ends, 1);
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Fine.mp4")).hasAudio);
    QCOMPARE(QFile::exists(video + QStringLiteral("/video.m4s")), !removal);
    QCOMPARE(run.messages.size(), 1);
    QVector<Problem::Kind> told;
    for (const Problem &walk : run.walkProblems)
        told << walk.kind;
    for (const ItemResult &item : run.items)
        told << item.failure.kind << item.nameNote.kind << item.sources.reason.kind;
    told.removeAll(Problem::None);
    QCOMPARE(told, QVector<Problem::Kind> { problem });
    if (trouble.startsWith(
            QLatin1String("deep"))) // QTemporaryDir cannot remove what it cannot name
        QVERIFY(QProcess::execute(QStringLiteral("rm"), { QStringLiteral("-rf"), bad }) == 0);
#endif
}

void tst_Conversion::secondRequestRunsInsideTheFirst()
{
    const QString first = cache.base() + QStringLiteral("/first");
    const QString second = cache.base() + QStringLiteral("/second");
    CacheBuilder::addItem(first, QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("A1")));
    CacheBuilder::addItem(first, QStringLiteral("2"),
                          CacheBuilder::entryJson(QStringLiteral("A2")));
    CacheBuilder::addItem(second, QStringLiteral("1"),
                          CacheBuilder::entryJson(QStringLiteral("B1")));

    WorkerRun seen;
    WorkerThread run;
    run.worker->setObserver(recordInto(seen));
    QSignalSpy names(run.worker, &ThreadObject::currentFileName_Signal);
    QSignalSpy finished(run.worker, &ThreadObject::convertFinished_Signal);
    run.start();

    run.request(first);
    QTRY_COMPARE(names.count(), 1);
    run.request(second);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    // What became of each item says why, should a slow machine ever leave one unconverted.
    QVERIFY2(
        std::all_of(seen.items.cbegin(), seen.items.cend(),
                    [](const ItemResult &item) { return item.outcome == ItemResult::Converted; }),
        qPrintable(seen.described()));

    // One item of the first run, then the whole second run in its pause, then the rest.
    QStringList order;
    for (const QList<QVariant> &name : names)
        order << name.at(0).toString();
    QCOMPARE(order.size(), 3);
    QCOMPARE(order.at(1), QStringLiteral("B1.mp4"));
    QVERIFY(QFile::exists(second + QStringLiteral("/B1.mp4")));
    QVERIFY(QFile::exists(first + QStringLiteral("/A1.mp4")));
    QVERIFY(QFile::exists(first + QStringLiteral("/A2.mp4")));
}

void tst_Conversion::removalChoiceAppliesToLaterItems()
{
    cache.addItem(QStringLiteral("a"), QStringLiteral("One"));
    cache.addItem(QStringLiteral("b"), QStringLiteral("Two"));

    WorkerThread run;
    ThreadObject *worker = run.worker;
    QSignalSpy finished(worker, &ThreadObject::convertFinished_Signal);
    QSignalSpy names(worker, &ThreadObject::currentFileName_Signal);
    // Switched on when the second item is announced: the first is done with by then.
    int seen = 0;
    connect(
        worker, &ThreadObject::currentFileName_Signal, worker,
        [worker, &seen](const QString &) {
            if (++seen == 2)
                worker->setDeleteSource(true);
        },
        Qt::DirectConnection);
    run.start();
    run.request(root());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    QCOMPARE(names.count(), 2);
    const auto folderOf = [this](const QList<QVariant> &name) {
        return root() + (name.at(0).toString() == QStringLiteral("One.mp4") ? "/a" : "/b");
    };
    QVERIFY(QFile::exists(root() + QStringLiteral("/One.mp4")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/Two.mp4")));
    QVERIFY(QFile::exists(folderOf(names.at(0)) + QStringLiteral("/64/video.m4s")));
    QVERIFY(!QFileInfo::exists(folderOf(names.at(1))));
}

void tst_Conversion::debugLinesOfARun_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("count");

    // The command is logged as it always read, whatever ffmpeg is really called with.
    QTest::newRow("the command as it always read")
        << "convert"
        << "\"ffmpeg/bin/ffmpeg.exe -i ROOT/1/64/video.m4s -i ROOT/1/64/audio.m4s "
           "ROOT/Logged.mp4 \\n\"  isstarted: false"
        << 1;
    QTest::newRow("the process's start") << "convert"
                                         << " processstartedSlot " << 1;
    QTest::newRow("the process's end and exit code") << "convert"
                                                     << " processfinishedSlot  0" << 1;
    QTest::newRow("the end of the run") << "convert"
                                        << "all finished" << 1;
    QTest::newRow("no removal asked, none logged") << "convert"
                                                   << "this one is Finished!" << 0;
    QTest::newRow("each stream removed") << "remove"
                                         << "  remove \"ROOT/1/64/" << 2;
    QTest::newRow("the item folder removed")
        << "remove"
        << "this one is Finished! delete true  --> \"ROOT/1\"" << 1;
    QTest::newRow("an output already there starts nothing") << "existing"
                                                            << " processstartedSlot " << 0;
    QTest::newRow("a closed gate shows in the item's line") << "gate"
                                                            << " isstarted: true" << 1;
}

void tst_Conversion::debugLinesOfARun()
{
    QFETCH(QString, scenario);
    QFETCH(QString, line);
    QFETCH(int, count);
    cache.addItem(QStringLiteral("1"), QStringLiteral("Logged"));
    if (scenario == QLatin1String("existing"))
        runWorker(root());
    DebugCapture debug;
    runWorker(root(), scenario == QLatin1String("remove"),
              [&](ThreadObject &worker, RunObserver &) {
                  if (scenario == QLatin1String("gate"))
                      QMetaObject::invokeMethod(&worker, "processstartedSlot");
              });
    QCOMPARE(debug.count(line.replace(QStringLiteral("ROOT"), root())), count);
}

void tst_Conversion::aCacheThatChangesUnderARun_data()
{
    // What happens while the first of two items converts, to the other item or to itself; and
    // how each ends.
    QTest::addColumn<QString>("change");
    QTest::addColumn<ItemResult::Outcome>("first");
    QTest::addColumn<ItemResult::Outcome>("second");
    QTest::newRow("the other item's folder renamed")
        << "rename" << ItemResult::Converted << ItemResult::Gone;
    QTest::newRow("the other item's folder removed")
        << "remove" << ItemResult::Converted << ItemResult::Gone;
    QTest::newRow("the other item converted and removed by another run")
        << "elsewhere" << ItemResult::Converted << ItemResult::ConvertedElsewhere;
    // A link is no output of its own: whatever it leads to, it vouches for nothing.
    QTest::newRow("the other item converted elsewhere, and only a link to its output here")
        << "elsewhere link" << ItemResult::Converted << ItemResult::Gone;
    QTest::newRow("its own entry.json rewritten: the first name stays")
        << "retitle" << ItemResult::Converted << ItemResult::Converted;
    QTest::newRow("its own audio replaced by a longer download: incomplete")
        << "longer" << ItemResult::Incomplete << ItemResult::Converted;
}

void tst_Conversion::aCacheThatChangesUnderARun()
{
    QFETCH(QString, change);
    QFETCH(ItemResult::Outcome, first);
    QFETCH(ItemResult::Outcome, second);
    if (change.endsWith(QLatin1String("link")) && !CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    cache.addItem(QStringLiteral("1"), QStringLiteral("A"));
    cache.addItem(QStringLiteral("2"), QStringLiteral("B"));
    const QString longer = cache.base() + QStringLiteral("/long");
    QString error;
    QVERIFY(QDir().mkpath(longer));
    QVERIFY2(change != QLatin1String("longer") || CacheBuilder::useLongStreams(longer, &error),
             qPrintable(error));

    QString converting; // the item folder of the first item, once it converts
    bool replaced = false;
    const WorkerRun run = runWorker(root(), true, [&](ThreadObject &, RunObserver &observer) {
        observer.progress = [&](const ConversionProgress &) {
            // Once: while ffmpeg converts, that is once it has opened its inputs and made its
            // output (its first words, its banner, come before either).
            const bool firstConverts = QFile::exists(root() + QStringLiteral("/A .partial.mp4"));
            if (!converting.isEmpty()
                || (!firstConverts && !QFile::exists(root() + QStringLiteral("/B .partial.mp4"))))
                return;
            converting = root() + (firstConverts ? QStringLiteral("/1") : QStringLiteral("/2"));
            const QString other = root()
                + (converting.endsWith(QLatin1Char('1')) ? QStringLiteral("/2")
                                                         : QStringLiteral("/1"));
            if (change == QLatin1String("rename"))
                QFile::rename(other, other + QStringLiteral("-moved"));
            if (change == QLatin1String("remove"))
                QDir(other).removeRecursively();
            if (change.startsWith(QLatin1String("elsewhere"))) // its streams go; entry.json stays
                runWorker(other, true);
            if (change == QLatin1String("elsewhere link")) {
                const QString output = QDir(root()).entryList({ QStringLiteral("?.mp4") }).value(0);
                QFile::rename(root() + QLatin1Char('/') + output,
                              cache.base() + QLatin1Char('/') + output);
                QFile::link(cache.base() + QLatin1Char('/') + output,
                            root() + QLatin1Char('/') + output);
            }
            if (change == QLatin1String("retitle"))
                CacheBuilder::writeFile(converting + QStringLiteral("/entry.json"),
                                        CacheBuilder::entryJson(QStringLiteral("Renamed")));
            if (change == QLatin1String("longer"))
                replaced = QFile::remove(converting + QStringLiteral("/64/audio.m4s"))
                    && QFile::copy(longer + QStringLiteral("/audio.m4s"),
                                   converting + QStringLiteral("/64/audio.m4s"));
        };
    });

    if (change == QLatin1String("longer") && !replaced)
        QSKIP("this system keeps a stream that ffmpeg reads from being replaced (Windows does)");
    // Every item the run found has its line, and the counts add up to them.
    QCOMPARE(run.items.size(), 2);
    QCOMPARE(run.report.items(), 2);
    QCOMPARE(run.only().outcome, first);
    QCOMPARE(run.items.at(1).outcome, second);
    QCOMPARE(run.report.needsAttention(),
             first == ItemResult::Incomplete || second == ItemResult::Gone);
    if (second == ItemResult::ConvertedElsewhere)
        QVERIFY(CacheBuilder::probe(run.items.at(1).outputFile).hasVideo);
    if (change == QLatin1String("retitle"))
        QCOMPARE(QFileInfo(run.only().outputFile).fileName(),
                 converting.endsWith(QLatin1Char('1')) ? QStringLiteral("A.mp4")
                                                       : QStringLiteral("B.mp4"));
    // An incomplete item keeps its sources; nothing is left behind under a temporary name.
    QCOMPARE(QFile::exists(converting + QStringLiteral("/64/video.m4s")),
             first == ItemResult::Incomplete);
    QVERIFY(!CacheBuilder::snapshot(cache.base()).contains(QStringLiteral(" .partial")));
}

QTEST_GUILESS_MAIN(tst_Conversion)
#include "tst_conversion.moc"
