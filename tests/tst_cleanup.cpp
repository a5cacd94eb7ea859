// SPDX-License-Identifier: MIT
// Source removal: only after a verified conversion, only inside the chosen folder, never
// through a link. Every case runs with a sentinel tree beside the chosen folder and another
// one reached through a symbolic link inside it; both must come out unchanged.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "cachebuilder.h"
#include "cachetest.h"
#include "files/saferemoval.h"
#include "item/goneitem.h"
#include "item/outputproof.h"
#include "item/runpreparation.h"
#include "output/outputlock.h"

class tst_Cleanup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void removesAVerifiedItemWhole();
    void earlierOutputIsVerifiedBeforeRemoval_data();
    void earlierOutputIsVerifiedBeforeRemoval();
    void interruptedDownloadKeepsItsSources();
    void fallbackNamesNeverCostSources();
    void streamsDirectlyInTheChosenFolder();
    void chosenFolderIsTheItemFolder();
    void unconvertedSiblingIsProtected();
    void linkInsideAnItemIsRemovedAsALink();
    void strayMediaKeepsItsFolder_data();
    void strayMediaKeepsItsFolder();
    void removalNeverEntersLinks();
    void nameReuseAcrossRunsKeepsBothVideos();
    void foreignThingAtTheOutputName_data();
    void foreignThingAtTheOutputName();
    void failedRemovalIsReported_data();
    void failedRemovalIsReported();
    void readOnlySourcesAreRemoved();
    void somethingInTheWay_data();
    void somethingInTheWay();
    void aFinishedDownloadIsConvertedAgain();
    void anItemHalfRemovedByAnEarlierRun_data();
    void anItemHalfRemovedByAnEarlierRun();
    void whatLooksLeftOfAnItemButIsNot_data();
    void whatLooksLeftOfAnItemButIsNot();
    void anOutputIsProvenToItsLastByte_data();
    void anOutputIsProvenToItsLastByte();
    void aStopDuringTheProofIsNoDamage_data();
    void aStopDuringTheProofIsNoDamage();
    void renameKeepsTheOutputWhereNoReplaceIsRefused();
    void onlyWhatAGoneRunLeftIsCleanedUp_data();
    void onlyWhatAGoneRunLeftIsCleanedUp();
    void lookAlikesDoNotEndTheCleanUp();

private:
    // Runs over the chosen folder with removal on; returns what became of each item.
    QVector<ItemResult> convertWithRemoval(const QString &top)
    {
        return runWorker(top, true).items;
    }
    QString base() const { return cache.base(); }
    QString root() const { return cache.root(); }

    CacheTest cache;
    QString besideBefore;
    QString linkedBefore;
};

void tst_Cleanup::initTestCase()
{
    QString why;
    if (!CacheTest::prepare(&why))
        QSKIP(qPrintable(why));
}

void tst_Cleanup::init()
{
    QString why;
    QVERIFY2(cache.reset(&why), qPrintable(why));
    CacheBuilder::addItem(base() + QStringLiteral("/beside"), QStringLiteral("9"),
                          CacheBuilder::entryJson(QStringLiteral("Beside")));
    CacheBuilder::addItem(base() + QStringLiteral("/linked"), QStringLiteral("8"),
                          CacheBuilder::entryJson(QStringLiteral("Linked")));
    QDir().mkpath(root());
    if (CacheBuilder::symbolicLinksAvailable())
        QVERIFY(
            QFile::link(base() + QStringLiteral("/linked"), root() + QStringLiteral("/shortcut")));
    besideBefore = CacheBuilder::snapshot(base() + QStringLiteral("/beside"));
    linkedBefore = CacheBuilder::snapshot(base() + QStringLiteral("/linked"));
}

void tst_Cleanup::cleanup()
{
    QCOMPARE(CacheBuilder::snapshot(base() + QStringLiteral("/beside")), besideBefore);
    QCOMPARE(CacheBuilder::snapshot(base() + QStringLiteral("/linked")), linkedBefore);
    QCOMPARE(QFileInfo(root() + QStringLiteral("/shortcut")).isSymLink(),
             CacheBuilder::symbolicLinksAvailable());
}

namespace {

// True when every item was converted or skipped and its sources went, as asked.
bool allRemoved(const QVector<ItemResult> &items)
{
    return !items.isEmpty()
        && std::all_of(items.cbegin(), items.cend(), [](const ItemResult &item) {
               return (item.outcome == ItemResult::Converted || item.outcome == ItemResult::Skipped)
                   && item.sources.kind == SourceFate::Removed;
           });
}

} // namespace

void tst_Cleanup::removesAVerifiedItemWhole()
{
    cache.addItem(QStringLiteral("1"), QStringLiteral("Whole"));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Whole.mp4")).hasVideo);
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
    QVERIFY(!CacheBuilder::snapshot(root()).contains(QStringLiteral("remove1111")));
}

void tst_Cleanup::earlierOutputIsVerifiedBeforeRemoval_data()
{
    QTest::addColumn<QString>("title"); // what entry.json says by the second run
    QTest::newRow("the same title") << "Earlier";
    QTest::newRow("its title changed since: the output under the earlier name counts") << "Later";
}

void tst_Cleanup::earlierOutputIsVerifiedBeforeRemoval()
{
    QFETCH(QString, title);
    cache.addItem(QStringLiteral("1"), QStringLiteral("Earlier"));
    runWorker(root());
    QVERIFY(QFile::exists(root() + QStringLiteral("/1/64/video.m4s")));
    QVERIFY(CacheBuilder::writeFile(root() + QStringLiteral("/1/entry.json"),
                                    CacheBuilder::entryJson(title)));

    const QVector<ItemResult> items = convertWithRemoval(root());
    QVERIFY(allRemoved(items));
    QCOMPARE(items.at(0).outcome, ItemResult::Skipped);
    QCOMPARE(items.at(0).underEarlierName, title != QLatin1String("Earlier"));
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
    QCOMPARE(items.at(0).outputFile, root() + QStringLiteral("/Earlier.mp4"));
    // The same video is never made twice.
    QCOMPARE(QDir(root()).entryList({ QStringLiteral("*.mp4") }),
             QStringList { QStringLiteral("Earlier.mp4") });
}

void tst_Cleanup::interruptedDownloadKeepsItsSources()
{
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Short"));
    QVERIFY(CacheBuilder::truncate(video + QStringLiteral("/video.m4s"), 0.25));
    const QVector<ItemResult> items = convertWithRemoval(root());
    QVERIFY(QFile::exists(video + QStringLiteral("/video.m4s")));
    QVERIFY(QFile::exists(video + QStringLiteral("/audio.m4s")));
    // All there is of that video stays under its name, and the item says it is short.
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Short.mp4")).hasVideo);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).outcome, ItemResult::Incomplete);
    QCOMPARE(items.at(0).failure.kind, Problem::DurationShort);
    QCOMPARE(items.at(0).failure.stream, Problem::Video);
}

void tst_Cleanup::fallbackNamesNeverCostSources()
{
    const QString first = cache.addItem(QStringLiteral("1"), QString());
    const QString second = cache.addItem(QStringLiteral("2"), QString());
    const QVector<ItemResult> items = convertWithRemoval(root());
    // The second item finds the name taken by the first one's video and takes the next.
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/destname.mp4")).hasVideo);
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/destname(2).mp4")).hasVideo);
    for (const QString &folder : { first, second }) {
        QVERIFY2(QFile::exists(folder + QStringLiteral("/video.m4s")), qPrintable(folder));
        QVERIFY2(QFile::exists(folder + QStringLiteral("/audio.m4s")), qPrintable(folder));
    }
    QCOMPARE(items.size(), 2);
    for (const ItemResult &item : items) {
        QCOMPARE(item.sources.kind, SourceFate::Kept);
        QCOMPARE(item.sources.reason.kind, Problem::FallbackName);
    }
}

void tst_Cleanup::streamsDirectlyInTheChosenFolder()
{
    // base/parent/cache/video.m4s: the item folder is the chosen folder's parent.
    const QString parent = base() + QStringLiteral("/parent");
    const QString top = parent + QStringLiteral("/cache");
    CacheBuilder::addItem(parent, QStringLiteral("cache"), QByteArray(), QString());
    QVERIFY(CacheBuilder::writeFile(parent + QStringLiteral("/entry.json"),
                                    CacheBuilder::entryJson(QStringLiteral("Flat"))));
    QVERIFY(CacheBuilder::writeFile(parent + QStringLiteral("/precious.txt"), "keep me"));

    QVERIFY(allRemoved(convertWithRemoval(top)));
    QVERIFY(QFile::exists(base() + QStringLiteral("/Flat.mp4")));
    QVERIFY(!QFile::exists(top + QStringLiteral("/video.m4s")));
    QVERIFY(!QFile::exists(top + QStringLiteral("/audio.m4s")));
    QVERIFY(QFileInfo(top).isDir());
    QVERIFY(QFile::exists(parent + QStringLiteral("/entry.json")));
    QVERIFY(QFile::exists(parent + QStringLiteral("/precious.txt")));
    QVERIFY(!QFileInfo::exists(parent + QStringLiteral("/remove1111")));
}

void tst_Cleanup::chosenFolderIsTheItemFolder()
{
    CacheBuilder::addItem(base(), QStringLiteral("cache"),
                          CacheBuilder::entryJson(QStringLiteral("Item")));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    QVERIFY(QFile::exists(base() + QStringLiteral("/Item.mp4")));
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/64")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/entry.json")));
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/remove1111")));
}

void tst_Cleanup::unconvertedSiblingIsProtected()
{
    // Two qualities of one item share entry.json and so the output name: the first converted
    // may go, the second must stay, and so must the item folder.
    const QByteArray entry = CacheBuilder::entryJson(QStringLiteral("Twice"));
    const QString low =
        CacheBuilder::addItem(root(), QStringLiteral("1"), entry, QStringLiteral("16"));
    const QString high =
        CacheBuilder::addItem(root(), QStringLiteral("1"), entry, QStringLiteral("64"));
    const QVector<ItemResult> items = convertWithRemoval(root());
    QVERIFY(QFile::exists(root() + QStringLiteral("/Twice.mp4")));
    const bool lowGone = !QFileInfo::exists(low);
    const bool highGone = !QFileInfo::exists(high);
    QVERIFY2(lowGone != highGone, "exactly one quality folder is removed");
    const QString kept = lowGone ? high : low;
    QVERIFY(QFile::exists(kept + QStringLiteral("/video.m4s")));
    QVERIFY(QFile::exists(kept + QStringLiteral("/audio.m4s")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/1/entry.json")));
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(1).outcome, ItemResult::Skipped);
    QCOMPARE(items.at(1).sources.reason.kind, Problem::OutputOfAnotherVideo);
}

void tst_Cleanup::linkInsideAnItemIsRemovedAsALink()
{
    if (!CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    cache.addItem(QStringLiteral("1"), QStringLiteral("Linky"));
    QVERIFY(QFile::link(base() + QStringLiteral("/beside"), root() + QStringLiteral("/1/extra")));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
    // cleanup() checks that both linked trees are untouched.
}

void tst_Cleanup::strayMediaKeepsItsFolder_data()
{
    QTest::addColumn<QString>("stray");
    QTest::newRow("an older video, suffix in capitals") << "old/Clip.FLV";
    QTest::newRow("another stream beside the converted ones") << "64/extra.m4s";
}

void tst_Cleanup::strayMediaKeepsItsFolder()
{
    QFETCH(QString, stray);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Stray"));
    QVERIFY(CacheBuilder::writeFile(root() + QStringLiteral("/1/") + stray, "another video"));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    QVERIFY(!QFile::exists(video + QStringLiteral("/video.m4s")));
    QVERIFY(!QFile::exists(video + QStringLiteral("/audio.m4s")));
    QVERIFY(QFile::exists(root() + QStringLiteral("/1/") + stray));
}

void tst_Cleanup::removalNeverEntersLinks()
{
    if (!CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    const QString target = base() + QStringLiteral("/beside");
    QVERIFY(QFile::link(target, root() + QStringLiteral("/handed")));
    FolderHandle chosen(root());
    QVERIFY(chosen.isValid());
    const FolderHandle handed = chosen.folder(QStringLiteral("handed"));
    QVERIFY(!handed.isValid() && handed.notFolder());

    const QString folder = root() + QStringLiteral("/holder");
    QVERIFY(CacheBuilder::writeFile(folder + QStringLiteral("/.hidden file"), "x"));
    QVERIFY(CacheBuilder::writeFile(folder + QStringLiteral("/deeper/file"), "x"));
    QVERIFY(QFile::link(target, folder + QStringLiteral("/inner")));
    QVERIFY(QFile::link(base() + QStringLiteral("/nowhere"), folder + QStringLiteral("/dangling")));
    FolderHandle holder = chosen.folder(QStringLiteral("holder"));
    QStringList removed;
    QVERIFY(emptyFolder(holder, folder, QStringLiteral(".hidden file"), [&](const QString &path) {
        removed << path;
        return true;
    }));
    // Folders before files, the name asked for last of all.
    QCOMPARE(removed.first(), folder + QStringLiteral("/deeper/file"));
    QCOMPARE(removed.last(), folder + QStringLiteral("/.hidden file"));
    QVERIFY(holder.removeFrom(chosen, QStringLiteral("holder")));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(QFile::remove(root() + QStringLiteral("/handed")));
}

void tst_Cleanup::nameReuseAcrossRunsKeepsBothVideos()
{
    // Two downloads that end up with one name, converted by two runs: the second must not
    // take the first one's output for its own.
    cache.addItem(QStringLiteral("1"), QStringLiteral("Same"));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    const QString first = root() + QStringLiteral("/Same.mp4");
    const QByteArray firstBytes = [&first] {
        QFile file(first);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(!firstBytes.isEmpty());
    const QString secondVideo = CacheBuilder::addItem(
        root(), QStringLiteral("2"), CacheBuilder::entryJson(QStringLiteral("Same")));
    QVERIFY(CacheBuilder::truncate(secondVideo + QStringLiteral("/audio.m4s"), 0.9)); // other bytes

    QVERIFY(allRemoved(convertWithRemoval(root())));
    QFile firstAfter(first);
    QVERIFY(firstAfter.open(QIODevice::ReadOnly));
    QVERIFY(firstAfter.readAll() == firstBytes);
    const MediaInfo second = CacheBuilder::probe(root() + QStringLiteral("/Same(2).mp4"));
    QVERIFY(second.hasVideo && second.hasAudio);
    QVERIFY(second.tag.contains(QStringLiteral("item=2;")));
    QVERIFY(CacheBuilder::probe(first).tag.contains(QStringLiteral("item=1;")));
}

void tst_Cleanup::foreignThingAtTheOutputName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("dangling link leading outside") << "dangling";
    QTest::newRow("link to a video outside") << "link";
    QTest::newRow("a folder") << "folder";
}

void tst_Cleanup::foreignThingAtTheOutputName()
{
    QFETCH(QString, kind);
    if (kind != QLatin1String("folder") && !CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    cache.addItem(QStringLiteral("1"), QStringLiteral("Planted"));
    const QString planted = root() + QStringLiteral("/Planted.mp4");
    const QString outside = base() + QStringLiteral("/outside/planted.mp4");
    QDir().mkpath(base() + QStringLiteral("/outside"));
    if (kind == QLatin1String("link"))
        QVERIFY(CacheBuilder::writeFile(outside, "a video of someone else"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(planted));
    else
        QVERIFY(QFile::link(outside, planted));
    const QString outsideBefore = CacheBuilder::snapshot(base() + QStringLiteral("/outside"));

    QVERIFY(allRemoved(convertWithRemoval(root())));
    // Nothing was written through the thing at the name, and it is still there as it was.
    QCOMPARE(CacheBuilder::snapshot(base() + QStringLiteral("/outside")), outsideBefore);
    QCOMPARE(QFileInfo(planted).isSymLink(), kind != QLatin1String("folder"));
    const MediaInfo converted = CacheBuilder::probe(root() + QStringLiteral("/Planted(2).mp4"));
    QVERIFY(converted.hasVideo && converted.hasAudio);
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
}

void tst_Cleanup::failedRemovalIsReported_data()
{
    QTest::addColumn<QString>("flag"); // how the audio is kept from going
    QTest::newRow("an audio.m4s that cannot be removed") << "immutable";
    // Linux's chattr +a: its data may grow, the file may not go.
    QTest::newRow("an audio.m4s that may only grow") << "append-only";
}

void tst_Cleanup::failedRemovalIsReported()
{
    QFETCH(QString, flag);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Stuck"));
    const QString audio = video + QStringLiteral("/audio.m4s");
    if (!CacheBuilder::makeUndeletable(audio, flag == QLatin1String("append-only")))
        QSKIP("this system cannot make a file impossible to remove that way");
    const QVector<ItemResult> items = convertWithRemoval(root());
    CacheBuilder::makeDeletable(audio);
    QVERIFY(QFile::exists(audio));
    QVERIFY(QFile::exists(root() + QStringLiteral("/Stuck.mp4")));
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).outcome, ItemResult::Converted);
#ifdef Q_OS_WIN
    // Held open by another program: waited for, then told.
    QCOMPARE(items.at(0).sources.kind, SourceFate::Kept);
    QCOMPARE(items.at(0).sources.reason.kind, Problem::SourceHeld);
#else
    QCOMPARE(items.at(0).sources.kind, SourceFate::RemovalFailed);
#endif
    QVERIFY(QStringList({ video + QStringLiteral("/video.m4s"), audio })
                .contains(items.at(0).sources.reason.path));
    // Found out before anything went: the item keeps both its streams.
    QVERIFY(QFile::exists(video + QStringLiteral("/video.m4s")));
}

void tst_Cleanup::readOnlySourcesAreRemoved()
{
    // Windows refuses to delete a read-only file until its flag is cleared.
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Locked"));
    for (const QString &file :
         { video + QStringLiteral("/video.m4s"), video + QStringLiteral("/audio.m4s"),
           root() + QStringLiteral("/1/entry.json") })
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/1")));
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Locked.mp4")).hasVideo);
}

void tst_Cleanup::somethingInTheWay_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<ItemResult::Outcome>("outcome");
    QTest::addColumn<Problem::Kind>("reason"); // the failure, or why the sources stayed

    QTest::newRow("a folder at the temporary name")
        << "temporary" << ItemResult::Failed << Problem::TemporaryNameBlocked;
    QTest::newRow("a file appears at the name while ffmpeg runs")
        << "appears" << ItemResult::Failed << Problem::RenameRefused;
    QTest::newRow("a dangling link appears at the name while ffmpeg runs: never written through")
        << "dangles" << ItemResult::Failed << Problem::RenameRefused;
    QTest::newRow("the item folder becomes a link while ffmpeg runs")
        << "link" << ItemResult::Converted << Problem::LinkOnTheWay;
    QTest::newRow("the item folder becomes a link between the checks and the removal")
        << "checked link" << ItemResult::Converted << Problem::FolderReplacedByLink;
    QTest::newRow("the item folder is moved away between the checks and the removal")
        << "checked move" << ItemResult::Converted << Problem::FolderMoved;
    QTest::newRow("the output vanishes before the sources would go")
        << "vanishes" << ItemResult::Converted << Problem::OutputChanged;
    QTest::newRow("the output becomes a pipe before the sources would go")
        << "pipe" << ItemResult::Converted << Problem::OutputChanged;
    QTest::newRow("the output becomes a link to a copy of itself")
        << "swapped" << ItemResult::Converted << Problem::OutputChanged;
    QTest::newRow("the output moved away, a link to it in its place")
        << "relinked" << ItemResult::Converted << Problem::OutputChanged;
    QTest::newRow("the output replaced by a copy of itself")
        << "copied" << ItemResult::Converted << Problem::OutputChanged;
    QTest::newRow("the output is cut short where it stands")
        << "cut" << ItemResult::Converted << Problem::OutputChanged;
}

void tst_Cleanup::somethingInTheWay()
{
    QFETCH(QString, obstacle);
    QFETCH(ItemResult::Outcome, outcome);
    QFETCH(Problem::Kind, reason);
    // The item folder is moved away, and a link to it (a junction on Windows) or another folder
    // put in its place.
    const bool moving =
        obstacle.endsWith(QLatin1String("link")) || obstacle == QLatin1String("checked move");
    const bool linking = obstacle == QLatin1String("swapped")
        || obstacle == QLatin1String("dangles") || obstacle == QLatin1String("relinked");
    if (linking && !CacheBuilder::symbolicLinksAvailable())
        QSKIP("making symbolic links needs privileges here");
    const QString probe = base() + QStringLiteral("/probe");
    if (obstacle.endsWith(QLatin1String("link"))
        && !(CacheBuilder::linkFolder(base(), probe)
             && (QFile::remove(probe) || QDir().rmdir(probe))))
        QSKIP("this system cannot link to a folder here (Wine makes no junctions)");
#ifndef Q_OS_UNIX
    if (obstacle == QLatin1String("pipe"))
        QSKIP("makes a named pipe the POSIX way");
#endif
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Way"));
    const QString output = root() + QStringLiteral("/Way.mp4");
    const QString moved = base() + QStringLiteral("/moved");
    if (obstacle == QLatin1String("temporary"))
        QVERIFY(QDir().mkpath(root() + QStringLiteral("/Way .partial.mp4")));

    // Done in the pause between the conversion and the removal, once the output has its name.
    const auto replaceOutput = [&] {
        if (obstacle == QLatin1String("relinked")) { // the very file that was verified, elsewhere
            const QString moved = base() + QStringLiteral("/moved.mp4");
            QFile::rename(output, moved);
            QFile::link(moved, output);
            return;
        }
        const QString copy = base() + QStringLiteral("/copy.mp4");
        QFile::copy(output, copy);
        QFile::remove(output);
        if (obstacle == QLatin1String("swapped"))
            QFile::link(copy, output);
        if (obstacle == QLatin1String("copied"))
            QFile::rename(copy, output); // the same bytes, but not the file that was verified
#ifdef Q_OS_UNIX
        if (obstacle == QLatin1String("pipe"))
            ::mkfifo(QFile::encodeName(output).constData(), 0600);
#endif
    };
    // Done just as the removal has checked everything, before anything goes.
    const auto moveItem = [&] {
        QFile::rename(root() + QStringLiteral("/1"), moved);
        if (obstacle == QLatin1String("checked link"))
            CacheBuilder::linkFolder(moved, root() + QStringLiteral("/1"));
        else
            QDir().mkpath(root() + QStringLiteral("/1/64"));
    };
    bool done = false;
    const WorkerRun run = runWorker(root(), true, [&](ThreadObject &worker, RunObserver &observer) {
        worker.setPauseInterval(50);
        observer.removing = [&](const RemovalStep &step) {
            if (step.kind == RemovalStep::Checked && obstacle.startsWith(QLatin1String("checked")))
                moveItem();
        };
        observer.progress = [&](const ConversionProgress &) {
            if (std::exchange(done, true))
                return;
            if (obstacle == QLatin1String("appears"))
                CacheBuilder::writeFile(output, "somebody else's");
            if (obstacle == QLatin1String("dangles"))
                QFile::link(base() + QStringLiteral("/outside.mp4"), output);
            if (obstacle == QLatin1String("link")) {
                QFile::rename(root() + QStringLiteral("/1"), moved);
                CacheBuilder::linkFolder(moved, root() + QStringLiteral("/1"));
            }
            if (obstacle == QLatin1String("vanishes"))
                QMetaObject::invokeMethod(
                    &worker, [output] { QFile::remove(output); }, Qt::QueuedConnection);
            if (obstacle == QLatin1String("pipe") || obstacle == QLatin1String("swapped")
                || obstacle == QLatin1String("copied") || obstacle == QLatin1String("relinked"))
                QMetaObject::invokeMethod(&worker, replaceOutput, Qt::QueuedConnection);
            if (obstacle == QLatin1String("cut"))
                QMetaObject::invokeMethod(
                    &worker, [output] { QFile(output).resize(1000); }, Qt::QueuedConnection);
        };
    });

    QCOMPARE(run.items.size(), 1);
    QCOMPARE(run.only().outcome, outcome);
    QCOMPARE(outcome == ItemResult::Failed ? run.only().failure.kind
                                           : run.only().sources.reason.kind,
             reason);
    // The streams are all still there, wherever their folder went, and nothing was left behind
    // under the temporary name.
    const QString streams = moving ? moved + QStringLiteral("/64") : video;
    QVERIFY(QFile::exists(streams + QStringLiteral("/video.m4s")));
    QVERIFY(QFile::exists(streams + QStringLiteral("/audio.m4s")));
    QCOMPARE(QFileInfo(root() + QStringLiteral("/Way .partial.mp4")).isDir(),
             obstacle == QLatin1String("temporary"));
    if (obstacle == QLatin1String("appears")) {
        QFile appeared(output);
        QVERIFY(appeared.open(QIODevice::ReadOnly));
        QCOMPARE(appeared.readAll(), QByteArray("somebody else's"));
    }
    // Nothing was written through a link to wherever it points.
    QVERIFY(!QFileInfo::exists(base() + QStringLiteral("/outside.mp4")));
    QFile::remove(output); // a pipe is no file for the snapshot to read
}

void tst_Cleanup::aFinishedDownloadIsConvertedAgain()
{
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Grow"));
    const QString stream = video + QStringLiteral("/video.m4s");
    const QString whole = base() + QStringLiteral("/whole.m4s");
    QVERIFY(QFile::copy(stream, whole));
    QVERIFY(CacheBuilder::truncate(stream, 0.25));
    QCOMPARE(convertWithRemoval(root()).value(0).outcome, ItemResult::Incomplete);
    const QString earlier = root() + QStringLiteral("/Grow.mp4");
    const auto bytesOf = [](const QString &file) {
        QFile read(file);
        return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
    };
    const QByteArray earlierBefore = bytesOf(earlier);
    QVERIFY(!earlierBefore.isEmpty());

    // The download finishes; the next run converts it beside what it made before.
    QVERIFY(QFile::remove(stream) && QFile::copy(whole, stream));
    const QVector<ItemResult> items = convertWithRemoval(root());
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).outcome, ItemResult::Converted);
    QCOMPARE(items.at(0).outputFile, root() + QStringLiteral("/Grow(2).mp4"));
    QCOMPARE(items.at(0).earlierOutput, earlier);
    QCOMPARE(items.at(0).sources.kind, SourceFate::Removed);
    const MediaInfo finished = CacheBuilder::probe(items.at(0).outputFile);
    QVERIFY(qAbs(finished.video - CacheBuilder::streamSeconds()) < 0.5);
    // What was made before is neither replaced nor removed.
    QVERIFY(bytesOf(earlier) == earlierBefore);
    QVERIFY(CacheBuilder::probe(earlier).hasVideo);
}

void tst_Cleanup::anItemHalfRemovedByAnEarlierRun_data()
{
    // Where the earlier run stopped: just before the step of its removal whose path ends so
    // (killed there), or by hand as older versions left an item ("audio gone": stopped
    // between the streams; "video gone": they removed the video first).
    QTest::addColumn<QString>("cut");
    QTest::addColumn<bool>("removal");
    QTest::addColumn<bool>("sameVideo"); // the video left is the one the output was made from
    QTest::newRow("audio gone, removal asked: what is left goes") << "audio gone" << true << true;
    QTest::newRow("audio gone, no removal: left as it is") << "audio gone" << false << true;
    QTest::newRow("audio gone, the video left is another download: nothing goes")
        << "audio gone" << true << false;
    QTest::newRow("video gone first, by an older version: its audio goes")
        << "video gone" << true << true;
    QTest::newRow("killed once checked: nothing was removed yet") << "checked" << true << true;
    QTest::newRow("killed after the audio") << "/video.m4s" << true << true;
    QTest::newRow("killed after the video") << "/1/64" << true << true;
    QTest::newRow("killed after the streams' folder: entry.json left")
        << "/entry.json" << true << true;
    QTest::newRow("killed before the item folder itself: an empty folder left")
        << "/cache/1" << true << true;
    QTest::newRow("killed after the video, no removal now: only its stale locks go")
        << "/1/64" << false << true;
    // What is left is not what the run found when it began: all of it stays.
    QTest::newRow("a note put in what was left once the run began")
        << "/entry.json note" << true << true;
    QTest::newRow("video gone first, its audio cannot be removed: its entry.json stays")
        << "video gone, audio stuck" << true << true;
}

void tst_Cleanup::anItemHalfRemovedByAnEarlierRun()
{
    QFETCH(QString, cut);
    QFETCH(bool, removal);
    QFETCH(bool, sameVideo);
    const bool note = cut.endsWith(QLatin1String(" note"));
    const bool stuck = cut.endsWith(QLatin1String(", audio stuck"));
    cut.remove(QLatin1String(" note")).remove(QLatin1String(", audio stuck"));
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Half"));
    if (cut.endsWith(QLatin1String(" gone"))) {
        QCOMPARE(runWorker(root()).only().outcome, ItemResult::Converted);
        const QString stream = cut.startsWith(QLatin1String("audio"))
            ? QStringLiteral("/audio.m4s")
            : QStringLiteral("/video.m4s");
        QVERIFY(QFile::remove(video + stream));
        QVERIFY(QDir().mkpath(root() + QStringLiteral("/1/remove1111")));
    } else {
        QProcess killed;
        killed.start(QStringLiteral(CUT_REMOVAL_PATH), { root(), cut });
        QVERIFY(killed.waitForFinished(60000));
        QCOMPARE(killed.exitCode(), 9); // it was cut short there
    }
    if (!sameVideo)
        QVERIFY(CacheBuilder::truncate(video + QStringLiteral("/video.m4s"), 0.5));
    const QString audio = video + QStringLiteral("/audio.m4s");
    if (stuck && !CacheBuilder::makeUndeletable(audio))
        QSKIP("this system cannot make a file impossible to remove");
    const auto undo = qScopeGuard([&] { CacheBuilder::makeDeletable(audio); });

    const WorkerRun run = runWorker(root(), removal, [&](ThreadObject &, RunObserver &observer) {
        if (note) // found once the walk is done, before the item's turn
            observer.started = [this](int) {
                CacheBuilder::writeFile(root() + QStringLiteral("/1/notes.txt"), "mine");
            };
    });
    QCOMPARE(run.items.size(), 1);
    if (note || stuck) {
        QCOMPARE(run.only().sources.kind, note ? SourceFate::Kept : SourceFate::RemovalFailed);
        QCOMPARE(run.only().sources.reason.kind,
                 note ? Problem::RemainsChanged : Problem::RemovalFailed);
        QVERIFY(QFile::exists(root() + QStringLiteral("/1/entry.json")));
        QCOMPARE(QFile::exists(root() + QStringLiteral("/1/notes.txt")), note);
        QCOMPARE(QFile::exists(audio), stuck);
        return;
    }
    if (!sameVideo) {
        // No output vouches for this video: it is converted (and fails without its audio).
        QCOMPARE(run.only().outcome, ItemResult::Failed);
        QVERIFY(QFile::exists(video + QStringLiteral("/video.m4s")));
        return;
    }
    // Its own output still vouches for it: never converted again into a numbered name.
    QVERIFY2(run.only().outcome == ItemResult::Skipped, qPrintable(run.described()));
    QCOMPARE(run.only().outputFile, root() + QStringLiteral("/Half.mp4"));
    QCOMPARE(run.only().sources.kind, removal ? SourceFate::Removed : SourceFate::NotAsked);
    QCOMPARE(run.only().earlierRemoval, cut != QLatin1String("checked"));
    QCOMPARE(QFileInfo::exists(root() + QStringLiteral("/1")), !removal);
    QVERIFY(!QFile::exists(root() + QStringLiteral("/Half(2).mp4")));
    QVERIFY(CacheBuilder::probe(root() + QStringLiteral("/Half.mp4")).hasAudio);
    // What the killed run held, it no longer does: none of its locks or temporaries is left.
    const QString left = CacheBuilder::snapshot(root());
    QVERIFY2(!left.contains(QLatin1String(".lock")) && !left.contains(QLatin1String(".partial")),
             qPrintable(left));
}

void tst_Cleanup::whatLooksLeftOfAnItemButIsNot_data()
{
    // Beside the output of item 1, converted and removed whole: what stands at root/1 now.
    QTest::addColumn<QString>("found");
    QTest::newRow("a download of it queued again since: entry.json newer than the output")
        << "queued";
    QTest::newRow("its entry.json beside someone's notes") << "notes";
    QTest::newRow("an audio.m4s of another size than its own") << "audio";
    QTest::newRow("an empty folder of another name") << "other";
}

void tst_Cleanup::whatLooksLeftOfAnItemButIsNot()
{
    QFETCH(QString, found);
    cache.addItem(QStringLiteral("1"), QStringLiteral("Done"));
    QVERIFY(allRemoved(convertWithRemoval(root())));
    const QString output = root() + QStringLiteral("/Done.mp4");
    const QString item =
        root() + (found == QLatin1String("other") ? QStringLiteral("/2") : QStringLiteral("/1"));
    QVERIFY(QDir().mkpath(item));
    if (found != QLatin1String("other")) {
        const QString entry = item + QStringLiteral("/entry.json");
        QVERIFY(CacheBuilder::writeFile(entry, CacheBuilder::entryJson(QStringLiteral("Done"))));
        // Written before the output was made, as an item's own entry.json always is.
        QFile old(entry);
        const QDateTime made = QFileInfo(output).lastModified();
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(made.addSecs(found == QLatin1String("queued") ? 60 : -60),
                                QFileDevice::FileModificationTime));
    }
    if (found == QLatin1String("notes"))
        QVERIFY(CacheBuilder::writeFile(item + QStringLiteral("/notes.txt"), "mine"));
    if (found == QLatin1String("audio"))
        QVERIFY(CacheBuilder::writeFile(item + QStringLiteral("/64/audio.m4s"), "another"));
    const QString before = CacheBuilder::snapshot(root());

    const WorkerRun run = runWorker(root(), true);
    QVERIFY2(run.items.isEmpty(), qPrintable(run.described()));
    QCOMPARE(CacheBuilder::snapshot(root()), before);
}

namespace {

// Rewrites an output with its index in front of its data, as a copy or sync tool may: the
// same packets and tag, laid out the other way round.
bool indexFirst(const QString &file)
{
    const QString rewritten = file + QStringLiteral(".faststart.mp4");
    QString why;
    return CacheBuilder::runFfmpeg({ QStringLiteral("-i"), file, QStringLiteral("-c"),
                                     QStringLiteral("copy"), QStringLiteral("-movflags"),
                                     QStringLiteral("+faststart"), rewritten },
                                   &why)
        && QFile::remove(file) && QFile::rename(rewritten, file);
}

// Changes one byte of the first video or audio packet past the middle of the file, leaving its
// size, index and tag as they were.
bool changeOneDataByte(const QString &file, bool audio)
{
    const QVector<CacheBuilder::PacketPlace> places = CacheBuilder::packetPlaces(file);
    for (int i = places.size() / 2; i < places.size(); ++i) {
        if (places.at(i).audio != audio)
            continue;
        QFile output(file);
        const qint64 at = places.at(i).offset + places.at(i).size / 2;
        if (!output.open(QIODevice::ReadWrite) || !output.seek(at))
            return false;
        const char byte = output.read(1).at(0);
        return output.seek(at) && output.write(QByteArray(1, char(~byte))) == 1;
    }
    return false;
}

// Turns every bit of the last half of the last video packet the file stores, leaving its size,
// index and tag as they were: a frame the decoders still hold when the packets run out.
bool garbleLastVideoPacket(const QString &file)
{
    const QVector<CacheBuilder::PacketPlace> places = CacheBuilder::packetPlaces(file);
    for (int i = places.size() - 1; i >= 0; --i) {
        if (places.at(i).audio)
            continue;
        QFile output(file);
        const qint64 at = places.at(i).offset + places.at(i).size / 2;
        if (!output.open(QIODevice::ReadWrite) || !output.seek(at))
            return false;
        QByteArray data = output.read(places.at(i).size - places.at(i).size / 2);
        for (char &byte : data)
            byte = char(~byte);
        return output.seek(at) && output.write(data) == data.size();
    }
    return false;
}

} // namespace

void tst_Cleanup::anOutputIsProvenToItsLastByte_data()
{
    QTest::addColumn<QString>("damage"); // done to the output between a first run and the next
    QTest::addColumn<bool>("copy"); // the streams are copied, not encoded
    QTest::addColumn<bool>("halfRemoved"); // an earlier run removed its audio.m4s
    QTest::addColumn<SourceFate::Kind>("fate");
    QTest::addColumn<Problem::Kind>("reason");
    QTest::addColumn<SourceFate::Proof>("proof"); // what its content was proven by

    const auto kept = SourceFate::Kept;
    const auto cutShort = Problem::OutputCutShort;
    const auto damaged = Problem::OutputDataDamaged;
    const auto recorded = SourceFate::RecordedChecksums;
    const auto decoded = SourceFate::Decoded;
    QTest::newRow("converted and copied now: proven by ffmpeg's own checksums")
        << "fresh" << true << false << SourceFate::Removed << Problem::None
        << SourceFate::CopyChecksums;
    QTest::newRow("encoded now: its checksums recorded as it is read back")
        << "fresh" << false << false << SourceFate::Removed << Problem::None << recorded;
    QTest::newRow("copied, removal asked only while ffmpeg ran: its recorded checksums")
        << "late" << true << false << SourceFate::Removed << Problem::None << recorded;
    QTest::newRow("met again whole, copied")
        << "none" << true << false << SourceFate::Removed << Problem::None << recorded;
    QTest::newRow("index first, data cut to 55 %")
        << "cut" << false << false << kept << cutShort << recorded;
    QTest::newRow("index first, data cut to 55 %, copied")
        << "cut" << true << false << kept << cutShort << recorded;
    QTest::newRow("index first, data cut to 55 %, half removed")
        << "cut" << false << true << kept << cutShort << recorded;
    QTest::newRow("index first, its last bytes gone")
        << "tail" << false << false << kept << cutShort << recorded;
    QTest::newRow("one byte of a copied video changed")
        << "byte" << true << false << kept << damaged << recorded;
    QTest::newRow("one byte of a copied audio changed")
        << "audio byte" << true << false << kept << damaged << recorded;
    QTest::newRow("one byte changed, half removed: the video left still tells")
        << "byte" << true << true << kept << damaged << recorded;
    QTest::newRow("45 % of an encoded output zeroed in place: it says from where")
        << "zeroed" << false << false << kept << damaged << recorded;
    QTest::newRow("45 % zeroed, half removed: the last video.m4s stays")
        << "zeroed" << false << true << kept << damaged << recorded;
    QTest::newRow("index at the end, cut away: damaged, not someone else's")
        << "headless" << false << false << kept << Problem::OutputUnreadable
        << SourceFate::NotProven;
    // Outputs of versions that recorded no checksums.
    QTest::newRow("an earlier version's, encoded, whole: every frame decoded")
        << "earlier" << false << false << SourceFate::Removed << Problem::None << decoded;
    QTest::newRow("an earlier version's, encoded, 45 % zeroed: decoding finds it")
        << "earlier zeroed" << false << false << kept << damaged << decoded;
    QTest::newRow("an earlier version's, copied, one byte changed: the sources' packets")
        << "earlier byte" << true << false << kept << Problem::PacketsDiffer
        << SourceFate::SourcePackets;
    QTest::newRow("an earlier version's, encoded, its last frame garbled: the decoders drained")
        << "earlier last frame" << false << false << kept << damaged << decoded;
    QTest::newRow("an earlier version's, copied, one audio byte changed: the sources' packets")
        << "earlier audio byte" << true << false << kept << Problem::PacketsDiffer
        << SourceFate::SourcePackets;
    // Its record of checksums damaged: proven as an output that records none, and said so.
    QTest::newRow("its record of checksums cut short, copied: the sources' packets")
        << "record cut" << true << false << SourceFate::Removed << Problem::None
        << SourceFate::SourcePackets;
    QTest::newRow("its record's runs disagree with its count, encoded: decoded")
        << "record count" << false << false << SourceFate::Removed << Problem::None << decoded;
}

void tst_Cleanup::anOutputIsProvenToItsLastByte()
{
    QFETCH(QString, damage);
    QFETCH(bool, copy);
    QFETCH(bool, halfRemoved);
    QFETCH(SourceFate::Kind, fate);
    QFETCH(Problem::Kind, reason);
    QFETCH(SourceFate::Proof, proof);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Proof"));
    const QString output = root() + QStringLiteral("/Proof.mp4");
    const auto copying = [copy](ThreadObject &worker, RunObserver &) {
        worker.setCopyStreams(copy);
    };
    if (damage != QLatin1String("fresh") && damage != QLatin1String("late")) {
        QCOMPARE(runWorker(root(), false, copying).only().outcome, ItemResult::Converted);
        if (halfRemoved)
            QVERIFY(QFile::remove(video + QStringLiteral("/audio.m4s")));
        if (damage.startsWith(QLatin1String("earlier")))
            QVERIFY(CacheBuilder::asMadeByAnEarlierVersion(output));
        if (damage == QLatin1String("cut") || damage == QLatin1String("tail"))
            QVERIFY(indexFirst(output));
        if (damage == QLatin1String("cut") || damage == QLatin1String("headless"))
            QVERIFY(CacheBuilder::truncate(output, 0.55));
        if (damage == QLatin1String("tail"))
            QVERIFY(QFile(output).resize(QFileInfo(output).size() - 100));
        if (damage.endsWith(QLatin1String("byte")))
            QVERIFY(changeOneDataByte(output, damage.endsWith(QLatin1String("audio byte"))));
        if (damage.endsWith(QLatin1String("zeroed")))
            QVERIFY(CacheBuilder::zeroFromTheMiddle(output));
        if (damage.startsWith(QLatin1String("record ")))
            QVERIFY(CacheBuilder::withDamagedChecksumRecord(output, damage.mid(7)));
        if (damage.endsWith(QLatin1String("last frame")))
            QVERIFY(garbleLastVideoPacket(output));
    }

    const bool late = damage == QLatin1String("late");
    const WorkerRun run =
        runWorker(root(), !late, [&](ThreadObject &worker, RunObserver &observer) {
            copying(worker, observer);
            if (late) // as the window's check box is ticked during a conversion
                observer.progress = [&worker](const ConversionProgress &) {
                    worker.setDeleteSource(true);
                };
        });
    const Problem &why = run.only().sources.reason;
    QVERIFY2(run.only().sources.kind == fate && why.kind == reason, qPrintable(run.described()));
    QCOMPARE(run.only().sources.proof, proof);
    // Kept means all of it: whatever the item still had is there.
    QCOMPARE(QFile::exists(video + QStringLiteral("/video.m4s")), fate == SourceFate::Kept);
    QCOMPARE(QFile::exists(video + QStringLiteral("/audio.m4s")),
             fate == SourceFate::Kept && !halfRemoved);
    // It says where the data ends, or where its damage begins: past the start, short of the end.
    if (damage == QLatin1String("cut") || damage.endsWith(QLatin1String("zeroed")))
        QVERIFY2(why.outputSeconds > 0.2 && why.outputSeconds < why.sourceSeconds - 0.5,
                 qPrintable(run.described()));
    if (damage.endsWith(QLatin1String("audio byte")))
        QCOMPARE(why.stream, Problem::Audio);
    QCOMPARE(run.only().sources.recordDamaged, damage.startsWith(QLatin1String("record ")));
}

void tst_Cleanup::aStopDuringTheProofIsNoDamage_data()
{
    QTest::addColumn<bool>("copy");
    QTest::addColumn<bool>("earlier"); // made by a version that recorded no checksums
    // When the stop comes, of all the times a whole proof asks whether to stop, in quarters.
    // The headers are read already, as in a run: only the reads of the data ask.
    QTest::addColumn<int>("quarters");
    QTest::newRow("copied by an earlier version: while its sources are read") << true << true << 3;
    QTest::newRow("copied by an earlier version: while the output is read") << true << true << 1;
    QTest::newRow("encoded, while its recorded checksums are compared") << false << false << 3;
    QTest::newRow("encoded by an earlier version: while it is decoded") << false << true << 3;
}

void tst_Cleanup::aStopDuringTheProofIsNoDamage()
{
    QFETCH(bool, copy);
    QFETCH(bool, earlier);
    const QString video = cache.addItem(QStringLiteral("1"), QStringLiteral("Stop"));
    const QString output = root() + QStringLiteral("/Stop.mp4");
    QCOMPARE(runWorker(root(), false,
                       [copy](ThreadObject &worker, RunObserver &) { worker.setCopyStreams(copy); })
                 .only()
                 .outcome,
             ItemResult::Converted);
    if (earlier)
        QVERIFY(CacheBuilder::asMadeByAnEarlierVersion(output));
    QFETCH(int, quarters);
    const ProofSources sources { video + QStringLiteral("/video.m4s"),
                                 video + QStringLiteral("/audio.m4s"), StreamSums(), nullptr };
    int asked = 0;
    int stopAt = -1;
    MediaReads media([&asked, &stopAt] { return stopAt >= 0 && ++asked >= stopAt; });
    MediaInfo header;
    for (const QString &file : { output, sources.videoFile, sources.audioFile })
        QVERIFY(media.read(file, &header).isNone());
    // How often a whole proof asks whether to stop, the headers read.
    stopAt = std::numeric_limits<int>::max();
    QVERIFY(proveOutput(output, identityOf(output), sources, media).problem.isNone());
    stopAt = asked * quarters / 4;
    asked = 0;
    const Proof proof = proveOutput(output, identityOf(output), sources, media);
    QCOMPARE(proof.problem.kind, Problem::Stopped);
}

void tst_Cleanup::renameKeepsTheOutputWhereNoReplaceIsRefused()
{
#ifndef Q_OS_LINUX
    QSKIP("mounts a FUSE file system the Linux way");
#else
    // A FUSE file system refuses the no-replace rename and makes a file linked anew another
    // file, as NFS, SMB and most FUSE file systems do.
    const QString python =
        QStandardPaths::findExecutable(QStringLiteral("python3"), { QStringLiteral("/usr/bin") });
    const QString passthrough = QStringLiteral(PASSTHROUGH_FS_PATH);
    if (python.isEmpty() || !QFileInfo(QStringLiteral("/dev/fuse")).isReadable()
        || QStandardPaths::findExecutable(QStringLiteral("fusermount3")).isEmpty())
        QSKIP("needs /dev/fuse, fusermount3 and /usr/bin/python3 (fuse3)");
    QProcess probe;
    probe.start(python, { QStringLiteral("-c"), QStringLiteral("import fusepy") });
    if (!probe.waitForFinished() || probe.exitCode() != 0)
        QSKIP("needs Python's fusepy (python3-fusepy)");
    const QString mounted = base() + QStringLiteral("/mounted");
    QVERIFY(QDir().mkpath(mounted));
    QProcess fileSystem;
    fileSystem.start(python, { passthrough, root(), mounted });
    const auto unmount = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("fusermount3"), { QStringLiteral("-u"), mounted });
        fileSystem.waitForFinished(5000);
    });
    QTRY_VERIFY2(QFileInfo::exists(mounted + QStringLiteral("/shortcut"))
                     || fileSystem.state() == QProcess::NotRunning,
                 "the file system did not come up");
    if (fileSystem.state() == QProcess::NotRunning)
        QSKIP(qPrintable(QStringLiteral("FUSE cannot be mounted here: ")
                         + QString::fromLocal8Bit(fileSystem.readAllStandardError())));

    cache.addItem(QStringLiteral("1"), QStringLiteral("Fused"));
    const WorkerRun run = runWorker(mounted, true);
    QVERIFY2(run.items.size() == 1 && run.only().sources.kind == SourceFate::Removed,
             qPrintable(run.described()));
    QVERIFY(CacheBuilder::probe(mounted + QStringLiteral("/Fused.mp4")).hasAudio);
#endif
}

void tst_Cleanup::onlyWhatAGoneRunLeftIsCleanedUp_data()
{
    // Item 1, "Alpha", converts into root. A file is made at file (below root), holding content;
    // for a temporary, lock tells what stands at its lock's name. Content and lock: "none" (no
    // file), "video" (a user's own), "gone" (the lock a killed run left), "held" (the lock of a
    // run that lives), "foreign" (another program's file of that name).
    QTest::addColumn<QString>("chosen"); // below root
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("goes");
    QTest::addColumn<bool>("noted");
    QTest::newRow("a user's video shaped like a temporary, in the chosen folder")
        << ""
        << "Holiday .partial.mp4"
        << "video"
        << "none" << false << true;
    QTest::newRow("the same inside an item's folder") << ""
                                                      << "1/Trip .partial.mp4"
                                                      << "video"
                                                      << "none" << false << true;
    QTest::newRow("the same above a chosen item folder, named as its item's temporary")
        << "/1"
        << "Alpha .partial.mp4"
        << "video"
        << "none" << false << true;
    QTest::newRow("above a chosen item folder, a gone run's, but of no item of this run")
        << "/1"
        << "Other .partial.mp4"
        << "video"
        << "gone" << false << false;
    QTest::newRow("above a chosen item folder, a gone run's temporary of its item")
        << "/1"
        << "Alpha(2) .partial.mp4"
        << "video"
        << "gone" << true << false;
    QTest::newRow("above a chosen item folder, a gone run's temporary of its last choice of name")
        << "/1"
        << "Alpha(1000) .partial.mp4"
        << "video"
        << "gone" << true << false;
    QTest::newRow("above a chosen item folder, one past its last choice of name")
        << "/1"
        << "Alpha(1001) .partial.mp4"
        << "video"
        << "gone" << false << false;
    QTest::newRow("a temporary a killed run left beside its lock") << ""
                                                                   << "sub/Beta .partial.mp4"
                                                                   << "video"
                                                                   << "gone" << true << false;
    QTest::newRow("a temporary another run is writing") << ""
                                                        << "Gamma .partial.mp4"
                                                        << "video"
                                                        << "held" << false << false;
    QTest::newRow("a temporary beside another program's file at its lock's name")
        << ""
        << "Delta .partial.mp4"
        << "video"
        << "foreign" << false << true;
    QTest::newRow("a killed run's lock of an item gone since")
        << ""
        << "vantoro-item-0123456789abcdef .lock"
        << "gone"
        << "none" << true << false;
    QTest::newRow("an item's lock another run holds") << ""
                                                      << "vantoro-item-0123456789abcdef .lock"
                                                      << "held"
                                                      << "none" << false << false;
    QTest::newRow("another program's file named like an item's lock")
        << ""
        << "sub/vantoro-item-0123456789abcdef .lock"
        << "foreign"
        << "none" << false << true;
    QTest::newRow("a file named like an item's lock that names no process")
        << ""
        << "vantoro-item-0123456789abcdef .lock"
        << "no process"
        << "none" << false << true;
    QTest::newRow("a killed run's lock of a name, its temporary gone") << ""
                                                                       << "Eps .partial.mp4.lock"
                                                                       << "gone"
                                                                       << "none" << true << false;
}

void tst_Cleanup::onlyWhatAGoneRunLeftIsCleanedUp()
{
    QFETCH(QString, chosen);
    QFETCH(QString, file);
    QFETCH(QString, content);
    QFETCH(QString, lock);
    QFETCH(bool, goes);
    QFETCH(bool, noted);
    cache.addItem(QStringLiteral("1"), QStringLiteral("Alpha"));
    QVERIFY(QDir().mkpath(root() + QStringLiteral("/sub")));
    std::vector<std::unique_ptr<QLockFile>> held;
    const auto make = [&held](const QString &path, const QString &what) {
        if (what == QLatin1String("video"))
            return CacheBuilder::writeFile(path, "a video of the user's own");
        if (what == QLatin1String("foreign"))
            return CacheBuilder::writeFile(path, "notes of another program\n");
        if (what == QLatin1String("gone"))
            return CacheBuilder::writeLockOfAGoneRun(path);
        if (what == QLatin1String("no process"))
            return CacheBuilder::writeFile(
                path, "0\nvantoro-cli\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        held.push_back(std::make_unique<QLockFile>(path));
        return held.back()->tryLock(0);
    };
    const QString path = root() + QLatin1Char('/') + file;
    QVERIFY(make(path, content));
    const QString lockFile = path + QStringLiteral(".lock");
    if (lock != QLatin1String("none"))
        QVERIFY(make(lockFile, lock));
    const QString top = root() + chosen;
    const QString before = CacheBuilder::snapshot(base());
    OutputIndex outputs([] { return false; });

    // A dry run takes nothing.
    const CacheInventory inventory = takeInventory(top, isWorkingFileName);
    QVERIFY(prepareRun(inventory, top, false, outputs).notes.isEmpty());
    QCOMPARE(CacheBuilder::snapshot(base()), before);

    const RunPreparation prepared = prepareRun(inventory, top, true, outputs);
    QCOMPARE(!QFileInfo::exists(path), goes);
    // A lock goes with its temporary, and only with it; a live run's stays.
    if (lock != QLatin1String("none"))
        QCOMPARE(QFileInfo::exists(lockFile), !goes);
    QStringList notes;
    for (const Problem &note : prepared.notes) {
        QCOMPARE(note.kind, Problem::NotARunsWorkingFile);
        notes << note.path;
    }
    QCOMPARE(notes.contains(path), noted);
    // Only the file of the row, and the lock beside it, may have changed.
    QStringList changed = before.split(QLatin1Char('\n'));
    for (const QString &line : CacheBuilder::snapshot(base()).split(QLatin1Char('\n')))
        changed.removeAll(line);
    for (const QString &line : std::as_const(changed))
        QVERIFY2(line.startsWith(path), qPrintable(line));
}

void tst_Cleanup::lookAlikesDoNotEndTheCleanUp()
{
    // In the order given: what merely has the shape, then what killed runs left; a temporary's
    // lock listed before it, and the lock of a temporary that went already.
    const QString lookAlike = root() + QStringLiteral("/Mine .partial.mp4");
    const QString foreignLock = root() + QStringLiteral("/Notes .partial.mp4.lock");
    const QString stale = root() + QStringLiteral("/Left .partial.mp4");
    const QString staleName = root() + QStringLiteral("/Gone .partial.mp4.lock");
    const QString staleItem = root() + QStringLiteral("/vantoro-item-00000000000000ff .lock");
    QVERIFY(QDir().mkpath(root()));
    QVERIFY(CacheBuilder::writeFile(lookAlike, "a video of the user's own"));
    QVERIFY(CacheBuilder::writeFile(foreignLock, "notes\n"));
    QVERIFY(CacheBuilder::writeFile(stale, "half a conversion"));
    for (const QString &lock : { stale + QStringLiteral(".lock"), staleName, staleItem })
        QVERIFY(CacheBuilder::writeLockOfAGoneRun(lock));

    const QStringList left = removeStaleWorkingFiles(
        { lookAlike, foreignLock, stale + QStringLiteral(".lock"), stale, staleName, staleItem });
    QCOMPARE(left, QStringList({ lookAlike, foreignLock }));
    for (const QString &file : { stale, stale + QStringLiteral(".lock"), staleName, staleItem })
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    QVERIFY(QFileInfo::exists(lookAlike) && QFileInfo::exists(foreignLock));
}

QTEST_GUILESS_MAIN(tst_Cleanup)
#include "tst_cleanup.moc"
