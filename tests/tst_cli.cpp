// SPDX-License-Identifier: MIT
// vantoro-cli as a script would run it: exit codes, dry runs, stream copies, interruptions.
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

#include "cachebuilder.h"
#include "cachetest.h"
#include "librarycheck.h"
#include "output/outputfile.h"
#include "output/outputlock.h"
#include "records/conversionjob.h"
#include "scopedenvironment.h"

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Starts vantoro-cli with the ffmpeg stand-in in the given mode (and writing its process id to
// pidFile, when given).
void startCli(QProcess &cli, const QStringList &arguments, const QByteArray &fakeMode,
              const QString &pidFile = QString())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!fakeMode.isEmpty())
        environment.insert(QStringLiteral("VANTORO_FAKE_FFMPEG_MODE"),
                           QString::fromLatin1(fakeMode));
    if (!pidFile.isEmpty())
        environment.insert(QStringLiteral("VANTORO_FAKE_FFMPEG_PIDFILE"), pidFile);
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VANTORO_CLI_PATH), arguments);
}

CliRun runCli(const QStringList &arguments, const QByteArray &fakeMode = QByteArray())
{
    QProcess cli;
    startCli(cli, arguments, fakeMode);
    CliRun run;
    if (!cli.waitForFinished(120000) || cli.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = cli.exitCode();
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void exitCodes_data();
    void exitCodes();
    void attentionMakesExitCodeOne_data();
    void attentionMakesExitCodeOne();
    void dryRunChangesNothing();
    void summaryCountsEveryOutcome();
    void copyKeepsBothStreamsAndLength();
    void liveProgressOnlyAtATerminal();
    void interruptionLeavesSourcesIntact_data();
    void interruptionLeavesSourcesIntact();
    void outputIsOnTheDiskBeforeTheSourcesGo_data();
    void outputIsOnTheDiskBeforeTheSourcesGo();
    void twoRunsShareTheWork_data();
    void twoRunsShareTheWork();
    void aKilledRunIsTakenOverByTheNext();
    void aFolderMetAgainIsWalkedOnce_data();
    void aFolderMetAgainIsWalkedOnce();
    void aKernelWithoutNoReplaceRenameStillConverts();
    void aRerunWithNothingToDoWritesNothing_data();
    void aRerunWithNothingToDoWritesNothing();
    void checkTellsASoundLibraryFromADamagedOne_data();
    void checkTellsASoundLibraryFromADamagedOne();
    void checkOfLongerOutputsReadsEachOnce();

private:
    QString root() const { return cache.root(); }
    CacheTest cache;
};

void tst_Cli::initTestCase()
{
    QString why;
    if (!CacheTest::prepare(&why))
        QSKIP(qPrintable(why));
}

void tst_Cli::init()
{
    QString why;
    QVERIFY2(cache.reset(&why), qPrintable(why));
    cache.addItem(QStringLiteral("1"), QStringLiteral("Alpha"));
}

void tst_Cli::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("fakeMode");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    const QString fake = QStringLiteral(FAKE_FFMPEG_PATH);
    QTest::newRow("no folder named") << QStringList() << QByteArray() << 2 << "FOLDER";
    QTest::newRow("unknown option")
        << QStringList { "--bogus", "CACHE" } << QByteArray() << 2 << "bogus";
    QTest::newRow("folder does not exist")
        << QStringList { "CACHE/missing" } << QByteArray() << 2 << "missing";
    QTest::newRow("help") << QStringList { "--help" } << QByteArray() << 0 << "--delete-source";
    QTest::newRow("version") << QStringList { "--version" } << QByteArray() << 0 << "vantoro-cli ";
    QTest::newRow("every item converted")
        << QStringList { "CACHE" } << QByteArray() << 0 << "Alpha.mp4: converted";
    QTest::newRow("an item failed")
        << QStringList { "--ffmpeg", fake, "CACHE" } << QByteArray("fail") << 1
        << "Alpha.mp4: failed: ffmpeg exited with code 1: Conversion failed!";
    QTest::newRow("a check that would remove")
        << QStringList { "--check", "--delete-source", "CACHE" } << QByteArray() << 2
        << "takes no --delete-source";
}

void tst_Cli::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, fakeMode);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    arguments.replaceInStrings(QStringLiteral("CACHE"), root());
    const CliRun run = runCli(arguments, fakeMode);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
}

void tst_Cli::attentionMakesExitCodeOne_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QString>("said");
    QTest::newRow("an unfinished download") << "truncated"
                                            << "incomplete, kept with its sources";
    QTest::newRow("a file at the output's name that is no video") << "untagged"
                                                                  << "sources kept: the file at";
#ifdef Q_OS_WIN
    QTest::newRow("a stream another program holds") << "undeletable"
                                                    << "sources kept: another program held";
#else
    QTest::newRow("a stream that cannot be removed") << "undeletable"
                                                     << "removal failed:";
#endif
    QTest::newRow("an entry.json that is no file") << "entryfolder"
                                                   << "entry.json is not a plain file";
}

void tst_Cli::attentionMakesExitCodeOne()
{
    QFETCH(QString, trouble);
    QFETCH(QString, said);
    const QString stream = root() + QStringLiteral("/1/64/audio.m4s");
    if (trouble == QLatin1String("truncated"))
        QVERIFY(CacheBuilder::truncate(root() + QStringLiteral("/1/64/video.m4s"), 0.25));
    if (trouble == QLatin1String("untagged"))
        QVERIFY(CacheBuilder::writeFile(root() + QStringLiteral("/Alpha.mp4"), "made by hand"));
    if (trouble == QLatin1String("entryfolder")) {
        QVERIFY(QFile::remove(root() + QStringLiteral("/1/entry.json")));
        QVERIFY(QDir().mkpath(root() + QStringLiteral("/1/entry.json")));
    }
    if (trouble == QLatin1String("undeletable") && !CacheBuilder::makeUndeletable(stream))
        QSKIP("this system cannot make a file impossible to remove");
    // An unusable entry.json needs attention even when nothing is to be removed.
    const CliRun run = trouble == QLatin1String("entryfolder")
        ? runCli({ root() })
        : runCli({ QStringLiteral("--delete-source"), root() });
    CacheBuilder::makeDeletable(stream);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains(said), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("Needs attention: ")), qPrintable(run.out));
    QVERIFY(QFile::exists(stream));
}

void tst_Cli::dryRunChangesNothing()
{
    cache.addItem(QStringLiteral("2"), QStringLiteral("Beta"));
    QVERIFY(CacheBuilder::writeFile(root() + QStringLiteral("/Beta.mp4"), "already here"));
    const QString before = CacheBuilder::snapshot(cache.base());
    const CliRun run =
        runCli({ QStringLiteral("--dry-run"), QStringLiteral("--delete-source"), root() });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(CacheBuilder::snapshot(cache.base()), before);
    QVERIFY2(run.out.contains(QStringLiteral("/Alpha.mp4: would be converted")),
             qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("/Beta.mp4: would be skipped")), qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("Would convert 1, would skip 1, of 2 items.")));
}

void tst_Cli::summaryCountsEveryOutcome()
{
    cache.addItem(QStringLiteral("2"), QStringLiteral("Beta"));
    QVERIFY(CacheBuilder::writeFile(root() + QStringLiteral("/Beta.mp4"), "already here"));
    const QString broken = cache.addItem(QStringLiteral("3"), QStringLiteral("Gamma"));
    QVERIFY(QFile::remove(broken + QStringLiteral("/audio.m4s")));
    const QString second = cache.base() + QStringLiteral("/more");
    CacheBuilder::addItem(second, QStringLiteral("4"),
                          CacheBuilder::entryJson(QStringLiteral("Delta")));

    const CliRun run = runCli({ root(), second });
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(lines.at(i).startsWith(QStringLiteral("[%1/4] ").arg(i + 1)),
                 qPrintable(lines.at(i)));
    // trimmed: on Windows lines end in CR LF.
    QCOMPARE(lines.last().trimmed(),
             QStringLiteral("Converted 2, skipped 1, failed 1, of 4 items."));
    QVERIFY(QFile::exists(second + QStringLiteral("/Delta.mp4")));
}

void tst_Cli::copyKeepsBothStreamsAndLength()
{
    // Quiet means quiet, also where the locale is no UTF-8 one (LANG unset on a minimal system).
    const ScopedEnv locale("LC_ALL", "C");
    const CliRun run = runCli({ QStringLiteral("--copy"), QStringLiteral("--quiet"), root() });
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.isEmpty() && run.err.isEmpty(), qPrintable(run.out + run.err));
    const MediaInfo copied = CacheBuilder::probe(root() + QStringLiteral("/Alpha.mp4"));
    const MediaInfo video = CacheBuilder::probe(root() + QStringLiteral("/1/64/video.m4s"));
    const MediaInfo audio = CacheBuilder::probe(root() + QStringLiteral("/1/64/audio.m4s"));
    QVERIFY(copied.hasVideo && copied.hasAudio);
    QVERIFY2(qAbs(copied.video - video.video) < 0.05, qPrintable(QString::number(copied.video)));
    QVERIFY2(qAbs(copied.audio - audio.audio) < 0.05, qPrintable(QString::number(copied.audio)));
}

void tst_Cli::liveProgressOnlyAtATerminal()
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("util-linux's script is needed for a pseudo-terminal");
    // Long enough for ffmpeg to report progress several times while it encodes.
    QString error;
    QVERIFY2(CacheBuilder::useLongStreams(root() + QStringLiteral("/1/64"), &error),
             qPrintable(error));

    const QString typescript = cache.base() + QStringLiteral("/typescript");
    QProcess terminal;
    terminal.start(script,
                   { "-qfec",
                     QStringLiteral("'%1' '%2'").arg(QStringLiteral(VANTORO_CLI_PATH), root()),
                     typescript });
    QVERIFY(terminal.waitForFinished(180000));
    QCOMPARE(terminal.exitCode(), 0);
    QFile file(typescript);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString seen = QString::fromUtf8(file.readAll());

    // The item's line showed its percentage rising, then the usual line replaced it.
    QList<int> percentages;
    const QRegularExpression live(QStringLiteral("\\r\\[1/1\\] Alpha\\.mp4: (\\d+)% at "));
    for (auto match = live.globalMatch(seen); match.hasNext();)
        percentages << match.next().captured(1).toInt();
    QVERIFY2(percentages.size() >= 2, qPrintable(seen));
    QVERIFY2(percentages.last() > percentages.first(), qPrintable(seen));
    QVERIFY2(std::is_sorted(percentages.cbegin(), percentages.cend()), qPrintable(seen));
    QVERIFY2(seen.contains(QStringLiteral("Alpha.mp4: converted")), qPrintable(seen));

    // Through a pipe, the same run prints its lines and nothing in place.
    QVERIFY(QFile::remove(root() + QStringLiteral("/Alpha.mp4")));
    const CliRun piped = runCli({ root() });
    QCOMPARE(piped.exitCode, 0);
    QVERIFY2(!piped.out.contains(QLatin1Char('\r')), qPrintable(piped.out));
    QCOMPARE(piped.out.count(QLatin1Char('\n')), 2);
}

void tst_Cli::interruptionLeavesSourcesIntact_data()
{
#ifndef Q_OS_UNIX
    QSKIP("sends POSIX signals");
#else
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl-C") << int(SIGINT);
    QTest::newRow("termination request") << int(SIGTERM);
    QTest::newRow("the terminal closed (hang-up)") << int(SIGHUP);
    QTest::newRow("Ctrl-backslash") << int(SIGQUIT);
#endif
}

void tst_Cli::interruptionLeavesSourcesIntact()
{
#ifdef Q_OS_UNIX
    QFETCH(int, signalNumber);
    const QString before = CacheBuilder::snapshot(cache.base());
    const QString pidFile = cache.base() + QStringLiteral(".pid");
    QProcess cli;
    startCli(cli,
             { QStringLiteral("--delete-source"), QStringLiteral("--ffmpeg"),
               QStringLiteral(FAKE_FFMPEG_PATH), root() },
             "hang", pidFile);
    QVERIFY(cli.waitForStarted());
    // The stand-in has written part of its output and now hangs.
    QTRY_VERIFY(QFile::exists(root() + QStringLiteral("/Alpha .partial.mp4")));
    QTRY_VERIFY(CacheBuilder::writtenPid(pidFile) > 0);

    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(cli.processId()), signalNumber);
    QVERIFY(cli.waitForFinished(10000));
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 130);
    QVERIFY(QString::fromLocal8Bit(cli.readAllStandardOutput())
                .contains(QStringLiteral("Stopped by the user")));
    // ffmpeg ended with it; neither its temporary file nor a lock is left.
    QVERIFY(!CacheBuilder::processRunning(CacheBuilder::writtenPid(pidFile)));
    QCOMPARE(CacheBuilder::snapshot(cache.base()), before);
#endif
}

void tst_Cli::outputIsOnTheDiskBeforeTheSourcesGo_data()
{
    QTest::addColumn<bool>("deleteSource");
    QTest::newRow("removal asked: flushed first") << true;
    QTest::newRow("no removal: nothing to pay") << false;
}

void tst_Cli::outputIsOnTheDiskBeforeTheSourcesGo()
{
#ifndef Q_OS_LINUX
    QSKIP("traces the system calls with Linux's strace");
#else
    QFETCH(bool, deleteSource);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("strace is needed to see the order of the system calls");
    if (QProcess::execute(strace, { "-o", "/dev/null", "true" }) != 0)
        QSKIP("strace cannot trace here (ptrace is not allowed)");
    const QString log = cache.base() + QStringLiteral("/trace");
    QStringList arguments { "-f",
                            "-y",
                            "-qq",
                            "-o",
                            log,
                            "-e",
                            "trace=fsync,fdatasync,unlink,unlinkat,rename,renameat,renameat2",
                            QStringLiteral(VANTORO_CLI_PATH) };
    if (deleteSource)
        arguments << QStringLiteral("--delete-source");
    QProcess traced;
    // LeakSanitizer cannot work under ptrace, and says so by failing the run.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    traced.setProcessEnvironment(environment);
    traced.start(strace, arguments << root());
    QVERIFY(traced.waitForFinished(120000));
    QVERIFY2(traced.exitCode() == 0, traced.readAllStandardError().constData());
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList calls = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const auto first = [&calls](const QString &call, const QString &path) {
        for (int i = 0; i < calls.size(); ++i) {
            if (calls.at(i).contains(call) && calls.at(i).contains(path))
                return i;
        }
        return -1;
    };
    const QString output = root() + QStringLiteral("/Alpha.mp4");
    const int named = first(QStringLiteral("rename"), QLatin1Char('"') + output + QLatin1Char('"'));
    const int outputFlushed = first(QStringLiteral("fsync"), output + QLatin1Char('>'));
    const int folderFlushed = first(QStringLiteral("fsync"), root() + QLatin1Char('>'));
    // Removed relative to its folder: "unlinkat(7</…/1/64>, "video.m4s", 0)".
    const int videoGone = first(QStringLiteral("unlink"), QStringLiteral("\"video.m4s\""));
    const QString seen = calls.join(QLatin1Char('\n'));
    QVERIFY2(named >= 0, qPrintable(seen));
    if (!deleteSource) {
        QVERIFY2(outputFlushed < 0 && folderFlushed < 0 && videoGone < 0, qPrintable(seen));
        return;
    }
    QVERIFY2(named < outputFlushed && outputFlushed < videoGone, qPrintable(seen));
    QVERIFY2(folderFlushed >= 0 && folderFlushed < videoGone, qPrintable(seen));
#endif
}

namespace {

// What one run said: its item lines, and its closing line.
struct RunLines
{
    QStringList items;
    QString summary;
    int count(const QString &said) const { return items.filter(said).size(); }
};

RunLines linesOf(const QString &out)
{
    RunLines lines;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('[')))
            lines.items << line.trimmed();
        else
            lines.summary = line.trimmed();
    }
    return lines;
}

} // namespace

void tst_Cli::twoRunsShareTheWork_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("together");
    QTest::addColumn<QByteArray>("ffmpeg"); // the stand-in's mode, or empty for the real one
    const QStringList distinct { "Alpha", "Beta", "Gamma" };
    // The second and third items want the names the first two take.
    const QStringList numbered { "Same", "Same", "Same(2)" };
    QTest::newRow("started together") << distinct << true << QByteArray();
    QTest::newRow("the second started in the middle of an item")
        << distinct << false << QByteArray();
    QTest::newRow("numbered names, started together") << numbered << true << QByteArray();
    QTest::newRow("numbered names, a slowed ffmpeg") << numbered << true << QByteArray("slow");
}

void tst_Cli::twoRunsShareTheWork()
{
    QFETCH(QStringList, titles);
    QFETCH(bool, together);
    QFETCH(QByteArray, ffmpeg);
    for (int i = 0; i < titles.size(); ++i) {
        const QString video = cache.addItem(QString::number(i + 1), titles.at(i));
        QString error;
        QVERIFY2(CacheBuilder::useLongStreams(video, &error), qPrintable(error));
    }
    QStringList arguments { QStringLiteral("--delete-source"), root() };
    if (!ffmpeg.isEmpty())
        arguments = QStringList { QStringLiteral("--ffmpeg"), QStringLiteral(FAKE_FFMPEG_PATH) }
            + arguments;
    QProcess runs[2];
    for (QProcess &run : runs) {
        startCli(run, arguments, ffmpeg);
        QVERIFY(run.waitForStarted());
        if (!together)
            QTRY_VERIFY_WITH_TIMEOUT(
                CacheBuilder::snapshot(root()).contains(QStringLiteral(" .partial.mp4")), 60000);
    }
    int converted = 0;
    for (QProcess &run : runs) {
        QVERIFY(run.waitForFinished(300000));
        const RunLines lines = linesOf(QString::fromLocal8Bit(run.readAllStandardOutput()));
        // Every item a run met has one line, and the line says what the summary counts: no
        // item fails because of the other run.
        const int locked = lines.count(QStringLiteral(": skipped, being converted by another run"));
        const int elsewhere = lines.count(QStringLiteral(": gone before its turn: converted by"));
        const int mine = lines.count(QStringLiteral(": converted, sources removed"));
        QCOMPARE(locked + elsewhere + mine, lines.items.size());
        QVERIFY2(
            lines.summary.startsWith(QStringLiteral("Converted %1, skipped 0, failed 0").arg(mine)),
            qPrintable(lines.summary));
        QCOMPARE(
            lines.summary.contains(QStringLiteral("%1 being converted by another run").arg(locked)),
            locked > 0);
        // The summary adds up: what the other run converted is counted too.
        QCOMPARE(
            lines.summary.contains(QStringLiteral("%1 converted by another run").arg(elsewhere)),
            elsewhere > 0);
        QCOMPARE(run.exitCode(), locked > 0 ? 1 : 0);
        converted += mine;
        // Started while the first converts, the second meets that item locked.
        if (!together && &run == &runs[1])
            QVERIFY2(locked > 0, qPrintable(lines.items.join(QLatin1Char('\n'))));
    }
    // Each item was converted exactly once, completely, and only then lost its sources.
    QCOMPARE(converted, titles.size());
    const QStringList outputs =
        QDir(root()).entryList({ QStringLiteral("*.mp4") }, QDir::Files, QDir::Name);
    QCOMPARE(outputs.size(), titles.size());
    QStringList items;
    for (const QString &name : outputs) {
        const MediaInfo output = CacheBuilder::probe(root() + QLatin1Char('/') + name);
        QVERIFY2(output.hasVideo && output.hasAudio && qAbs(output.video - 20) < 0.5,
                 qPrintable(name));
        items << output.tag.section(QLatin1Char(';'), 1, 1);
    }
    items.sort();
    QCOMPARE(items, QStringList({ "item=1", "item=2", "item=3" }));
    const QString left = CacheBuilder::snapshot(root());
    QVERIFY2(!left.contains(QStringLiteral(".m4s")) && !left.contains(QStringLiteral(" .partial"))
                 && !left.contains(QStringLiteral(".lock")),
             qPrintable(left));
}

void tst_Cli::aKilledRunIsTakenOverByTheNext()
{
    // The run dies at once, as at a crash, the OOM killer or "End task"; its ffmpeg must go
    // with it, although nothing but the run's own end tells it to.
    const QString pidFile = cache.base() + QStringLiteral(".pid");
    QProcess first;
    startCli(first,
             { QStringLiteral("--delete-source"), QStringLiteral("--ffmpeg"),
               QStringLiteral(FAKE_FFMPEG_PATH), root() },
             "hang", pidFile);
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(CacheBuilder::writtenPid(pidFile) > 0, 60000);
    const qint64 ffmpeg = CacheBuilder::writtenPid(pidFile);
    const auto reap = qScopeGuard([ffmpeg] { CacheBuilder::endProcess(ffmpeg); });
    QVERIFY(CacheBuilder::processRunning(ffmpeg));
    first.kill();
    QVERIFY(first.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!CacheBuilder::processRunning(ffmpeg), 1000);
    QVERIFY(QFile::exists(lockFileFor(root() + QStringLiteral("/Alpha.mp4"))));

    const CliRun next = runCli({ QStringLiteral("--delete-source"), root() });
    QCOMPARE(next.exitCode, 0);
    QVERIFY2(next.out.contains(QStringLiteral("Alpha.mp4: converted, sources removed")),
             qPrintable(next.out));
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Alpha.mp4")).hasAudio);
    // Nothing of the dead run is left: neither its temporary file nor its locks.
    const QStringList left = CacheBuilder::snapshot(root()).split(QLatin1Char('\n'));
    QCOMPARE(left.size(), 1);
    QVERIFY2(left.first().startsWith(root() + QStringLiteral("/Alpha.mp4 ")),
             qPrintable(left.first()));
}

void tst_Cli::aFolderMetAgainIsWalkedOnce_data()
{
    QTest::addColumn<QString>("inside"); // where in the chosen folder it is mounted again
    QTest::newRow("inside itself") << "again";
    QTest::newRow("two levels down: it leads back past its parent") << "deeper/again";
}

void tst_Cli::aFolderMetAgainIsWalkedOnce()
{
    QFETCH(QString, inside);
#ifndef Q_OS_LINUX
    QSKIP("makes a loop of the file system with a bind mount, the Linux way");
#else
    // The chosen folder mounted again inside itself, in a mount namespace of the test's own.
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()
        || QProcess::execute(unshare, { "-rm", "mount", "--bind", "/tmp", "/tmp" }) != 0)
        QSKIP("needs unshare and a mount namespace of its own (util-linux, user namespaces)");
    cache.addItem(QStringLiteral("2"), QStringLiteral("Beta"));
    QVERIFY(QDir().mkpath(root() + QLatin1Char('/') + inside));
    QProcess cli;
    cli.start(unshare,
              { "-rm", "sh", "-c", "mount --bind \"$1\" \"$1/$3\" && exec \"$2\" --dry-run \"$1\"",
                "sh", root(), QStringLiteral(VANTORO_CLI_PATH), inside });
    QVERIFY(cli.waitForFinished(60000));
    const QString said = QString::fromLocal8Bit(cli.readAll());
    // Each item once, and nothing lost, so nothing needs attention.
    QVERIFY2(said.contains(QStringLiteral("Would convert 2, would skip 0, of 2 items.")),
             qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("a file system loop")), qPrintable(said));
    QCOMPARE(cli.exitCode(), 0);
#endif
}

namespace {

// Every entry below the folder with its size and time of change: a file made and removed
// again changes its folder's time.
QString timesOf(const QString &folder)
{
    QStringList entries { QString::number(QFileInfo(folder).lastModified().toMSecsSinceEpoch()) };
    for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        it.next();
        entries << QStringLiteral("%1 %2 %3")
                       .arg(it.filePath())
                       .arg(it.fileInfo().size())
                       .arg(it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries.join(QLatin1Char('\n'));
}

// Leaves the lock a killed run leaves for the item of the video folder.
bool leaveItemLockOfAGoneRun(const QString &videoFolder)
{
    ConversionJob job = jobForVideoFile(videoFolder + QStringLiteral("/video.m4s"), videoFolder);
    return CacheBuilder::writeLockOfAGoneRun(itemLockFile(job));
}

} // namespace

void tst_Cli::aRerunWithNothingToDoWritesNothing_data()
{
    // Alpha is converted; then the same run again, over a library that is as it was, or mounted
    // read-only (a backup disk, a share).
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("left"); // "lock": a killed run's lock of Alpha; "new": of Beta,
                                       // a new item to convert
    QTest::addColumn<bool>("removal");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    const QString skipped = QStringLiteral("Alpha.mp4: skipped, the output is already there");
    QTest::newRow("a converted library: no lock made, nothing written")
        << false << "" << false << 0 << skipped;
    QTest::newRow("read-only: all skipped") << true << "" << false << 0 << skipped;
    QTest::newRow("read-only, a killed run's lock of the converted item")
        << true << "lock" << false << 0 << skipped;
    QTest::newRow("read-only, removal asked of an item whose sources are there: it fails")
        << true << "" << true << 1 << "no lock could be made there";
    QTest::newRow("read-only, an item to convert whose lock a killed run left: named so")
        << true << "new" << false << 1 << "a lock left by a run that is gone cannot be removed";
}

void tst_Cli::aRerunWithNothingToDoWritesNothing()
{
    QFETCH(bool, readOnly);
    QFETCH(QString, left);
    QFETCH(bool, removal);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QCOMPARE(runCli({ root() }).exitCode, 0);
    if (left == QLatin1String("lock"))
        QVERIFY(leaveItemLockOfAGoneRun(root() + QStringLiteral("/1/64")));
    if (left == QLatin1String("new"))
        QVERIFY(
            leaveItemLockOfAGoneRun(cache.addItem(QStringLiteral("2"), QStringLiteral("Beta"))));
    QStringList arguments { root() };
    if (removal)
        arguments.prepend(QStringLiteral("--delete-source"));
    const QString before = timesOf(cache.base());
    QTest::qWait(20); // a change now would show in the times
    CliRun run;
    if (!readOnly) {
        run = runCli(arguments);
    } else {
#ifndef Q_OS_LINUX
        QSKIP("mounts the library read-only the Linux way");
#else
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty()
            || QProcess::execute(unshare, { "-rm", "mount", "--bind", "/tmp", "/tmp" }) != 0)
            QSKIP("needs unshare and a mount namespace of its own (util-linux, user namespaces)");
        QProcess cli;
        cli.start(unshare,
                  QStringList { "-rm", "sh", "-c",
                                "mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" "
                                "\"$1\" && shift && exec \"$@\"",
                                "sh", root(), QStringLiteral(VANTORO_CLI_PATH) }
                      + arguments);
        QVERIFY(cli.waitForFinished(60000));
        run.exitCode = cli.exitCode();
        run.out = QString::fromLocal8Bit(cli.readAllStandardOutput())
            + QString::fromLocal8Bit(cli.readAllStandardError());
#endif
    }
    QVERIFY2(run.out.contains(said), qPrintable(run.out));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(!run.out.contains(QStringLiteral("another run")), qPrintable(run.out));
    QCOMPARE(timesOf(cache.base()), before);
}

void tst_Cli::aKernelWithoutNoReplaceRenameStillConverts()
{
#ifndef NO_RENAMEAT2_PATH
    QSKIP("takes renameat2 away the Linux way");
#else
    // Older kernels and some sandboxes answer ENOSYS: the plain rename under the name's lock.
    // (glibc's renameat2 hands that on as EINVAL, where it was built for kernels without it.)
    QProcess cli;
    cli.start(QStringLiteral(NO_RENAMEAT2_PATH),
              { QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("--delete-source"), root() });
    QVERIFY(cli.waitForFinished(60000));
    if (cli.exitCode() == 3)
        QSKIP("this system lets no program set a seccomp filter");
    const QString said = QString::fromLocal8Bit(cli.readAll());
    QVERIFY2(cli.exitCode() == 0 && said.contains(QStringLiteral(": converted, sources removed")),
             qPrintable(said));
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Alpha.mp4")).hasAudio);
#endif
}

void tst_Cli::checkTellsASoundLibraryFromADamagedOne_data()
{
    // Done to a library of two outputs, copied away from their sources: Alpha's and Beta's.
    QTest::addColumn<QString>("done");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // of Beta, or of the file added

    QTest::newRow("nothing: a sound library") << "nothing" << 0 << "Beta.mp4: sound";
    QTest::newRow("an output zeroed from its middle")
        << "zeroed" << 1 << "Beta.mp4: damaged: its video data is damaged from ";
    QTest::newRow("an output cut short where it stands, its index with it")
        << "cut" << 1 << "Beta.mp4: cannot be checked: ";
    QTest::newRow("an output of an earlier version") << "earlier" << 0
                                                     << "Beta.mp4: cannot be checked: made by an "
                                                        "earlier version";
    const QString record = QStringLiteral("Beta.mp4: damaged: its record of checksums is damaged");
    QTest::newRow("its record of checksums cut short") << "record cut" << 1 << record;
    QTest::newRow("its record of checksums not hexadecimal") << "record not hex" << 1 << record;
    QTest::newRow("its record's runs disagree with its count") << "record count" << 1 << record;
    QTest::newRow("a file named .mp4 that is no video")
        << "text" << 1 << "notes.mp4: cannot be checked: ";
    QTest::newRow("someone else's .mp4: left out")
        << "foreign" << 0 << "1 without Vantoro's tag left out";
}

void tst_Cli::checkTellsASoundLibraryFromADamagedOne()
{
    QFETCH(QString, done);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    cache.addItem(QStringLiteral("2"), QStringLiteral("Beta"));
    QCOMPARE(runCli({ root() }).exitCode, 0);
    const QString library = cache.base() + QStringLiteral("/library");
    QVERIFY(QDir().mkpath(library));
    for (const QString &name : { QStringLiteral("Alpha.mp4"), QStringLiteral("Beta.mp4") })
        QVERIFY(QFile::copy(root() + QLatin1Char('/') + name, library + QLatin1Char('/') + name));
    const QString beta = library + QStringLiteral("/Beta.mp4");
    if (done == QLatin1String("zeroed"))
        QVERIFY(CacheBuilder::zeroFromTheMiddle(beta));
    if (done == QLatin1String("cut"))
        QVERIFY(QFile(beta).resize(QFileInfo(beta).size() * 2 / 3));
    if (done.startsWith(QLatin1String("record ")))
        QVERIFY(CacheBuilder::withDamagedChecksumRecord(beta, done.mid(7)));
    if (done == QLatin1String("earlier"))
        QVERIFY(CacheBuilder::asMadeByAnEarlierVersion(beta));
    if (done == QLatin1String("text"))
        QVERIFY(CacheBuilder::writeFile(library + QStringLiteral("/notes.mp4"), "no video"));
    if (done == QLatin1String("foreign"))
        QVERIFY(QFile::copy(root() + QStringLiteral("/1/64/video.m4s"),
                            library + QStringLiteral("/deeper/clip.mp4"))
                || (QDir().mkpath(library + QStringLiteral("/deeper"))
                    && QFile::copy(root() + QStringLiteral("/1/64/video.m4s"),
                                   library + QStringLiteral("/deeper/clip.mp4"))));
    const QString before = CacheBuilder::snapshot(cache.base());

    const CliRun run = runCli({ QStringLiteral("--check"), library });
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(said), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("Alpha.mp4: sound")), qPrintable(run.out));
    // It changes nothing, and takes no lock.
    QCOMPARE(CacheBuilder::snapshot(cache.base()), before);
}

void tst_Cli::checkOfLongerOutputsReadsEachOnce()
{
    // Outputs that take a while to check, while the system is asked to read the next one's start.
    for (const QString &item : { QStringLiteral("2"), QStringLiteral("3") }) {
        QString error;
        QVERIFY2(CacheBuilder::useLongStreams(cache.addItem(item, QStringLiteral("Long") + item),
                                              &error),
                 qPrintable(error));
    }
    QString error;
    QVERIFY2(CacheBuilder::useLongStreams(root() + QStringLiteral("/1/64"), &error),
             qPrintable(error));
    QCOMPARE(runCli({ QStringLiteral("--copy"), root() }).exitCode, 0);
    const CliRun run = runCli({ QStringLiteral("--check"), root() });
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("Sound 3, damaged 0, cannot be checked 0, of 3")),
             qPrintable(run.out + run.err));

    // Read once: what this process reads during the check, against what the outputs hold. A
    // second read of a file (a thread reading ahead beside the demuxer, the demuxer reading it
    // again) makes it twice as much; its header, read once more before its packets, a seventh.
#ifdef Q_OS_LINUX
    qint64 outputBytes = 0;
    for (QDirIterator found(root(), { QStringLiteral("*.mp4") }, QDir::Files); found.hasNext();)
        outputBytes += QFileInfo(found.next()).size();
    const auto bytesRead = [] {
        QFile io(QStringLiteral("/proc/self/io"));
        if (!io.open(QIODevice::ReadOnly))
            return qint64(-1);
        const QByteArray said = io.readAll();
        const int at = said.indexOf("rchar: ");
        return at < 0 ? qint64(-1) : said.mid(at + 7, said.indexOf('\n', at) - at - 7).toLongLong();
    };
    const qint64 before = bytesRead();
    if (before < 0)
        QSKIP("this system tells no process how much it read");
    std::FILE *out = std::tmpfile();
    QVERIFY(out);
    const LibraryCheck check = checkLibrary({ root() }, true, false, out);
    std::fclose(out);
    QCOMPARE(check.count(OutputCheck::Sound), 3);
    const qint64 read = bytesRead() - before;
    QVERIFY2(read >= outputBytes && read < outputBytes * 3 / 2,
             qPrintable(
                 QStringLiteral("%1 bytes read for %2 in the outputs").arg(read).arg(outputBytes)));
#else
    QSKIP("how much a process read is told only on Linux here");
#endif
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
