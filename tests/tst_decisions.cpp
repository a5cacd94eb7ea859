// SPDX-License-Identifier: MIT
// The decisions made for each item, as pure functions: where its output goes, whether its
// sources may go, and whether an output is a complete conversion of them.
#include <QTemporaryDir>
#include <QtTest>

#include "cachebuilder.h"
#include "item/sourcedecision.h"
#include "item/sourceremoval.h"
#include "media/mediapackets.h"
#include "media/mediaverification.h"
#include "output/outputplacement.h"
#include "output/sourcetag.h"

Q_DECLARE_METATYPE(MediaInfo)
Q_DECLARE_METATYPE(OutputPlacement::Verdict)
Q_DECLARE_METATYPE(SourceVerdict::Kind)
Q_DECLARE_METATYPE(SourceFate::Kind)

namespace {

// A tag as the program writes it, for an item, a video folder and a content.
QString tag(const QString &item, const QString &folder = QStringLiteral("64"),
            const QString &content = QStringLiteral("aaaa"))
{
    return QStringLiteral("vantoro-source:1;item=%1;folder=%2;video=10;audio=20;sha256=%3")
        .arg(item, folder, content);
}

MediaInfo media(bool hasVideo, double video, bool hasAudio, double audio)
{
    MediaInfo info;
    info.hasVideo = hasVideo;
    info.video = video;
    info.hasAudio = hasAudio;
    info.audio = audio;
    return info;
}

} // namespace

class tst_Decisions : public QObject
{
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void sourceFate_data();
    void sourceFate();
    void removalFate_data();
    void removalFate();
    void durationCheck_data();
    void durationCheck();
    void tagSamplesBothEndsOfEachStream();
    void aRecordOfChecksumsIsReadOrCalledDamaged_data();
    void aRecordOfChecksumsIsReadOrCalledDamaged();
};

void tst_Decisions::placement_data()
{
    // What stands at "<name>.mp4", "<name>(2).mp4", … in turn: "-" nothing, "busy" nothing but
    // another run writes there, "link", "folder", or the tag of a plain file ("" for one without
    // a tag).
    QTest::addColumn<QStringList>("occupants");
    QTest::addColumn<OutputPlacement::Verdict>("verdict");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("earlierChoice"); // 0 for none

    const QString own = tag(QStringLiteral("1"));
    QTest::newRow("a free name") << QStringList { "-" } << OutputPlacement::FreeName << 1 << 0;
    QTest::newRow("this item's own output")
        << QStringList { own } << OutputPlacement::OwnOutput << 1 << 0;
    QTest::newRow("another item's video passes to the next name")
        << QStringList { tag("2"), "-" } << OutputPlacement::FreeName << 2 << 0;
    QTest::newRow("own output after another item's")
        << QStringList { tag("2"), own } << OutputPlacement::OwnOutput << 2 << 0;
    QTest::newRow("a link, a folder: never written through")
        << QStringList { "link", "folder", "-" } << OutputPlacement::FreeName << 3 << 0;
    QTest::newRow("a video nobody can tell the origin of")
        << QStringList { "" } << OutputPlacement::OriginUnknown << 1 << 0;
    QTest::newRow("a text that is no tag of ours")
        << QStringList { "made with love" } << OutputPlacement::OriginUnknown << 1 << 0;
    QTest::newRow("a file no header can be read from: damaged, whoever's it is")
        << QStringList { "unreadable", "-" } << OutputPlacement::Unreadable << 1 << 0;
    QTest::newRow("another video folder of this item")
        << QStringList { tag("1", "16") } << OutputPlacement::OtherVideoOfItem << 1 << 0;
    QTest::newRow("a download finished after its first conversion")
        << QStringList { tag("1", "64", "bbbb"), "-" } << OutputPlacement::FreeName << 2 << 1;
    QTest::newRow("the finished download converted before")
        << QStringList { tag("1", "64", "bbbb"), own } << OutputPlacement::OwnOutput << 2 << 1;
    QTest::newRow("two earlier conversions: the first is named")
        << QStringList { tag("1", "64", "bbbb"), tag("1", "64", "cccc"), "-" }
        << OutputPlacement::FreeName << 3 << 1;
    QTest::newRow("a free name another run is writing passes to the next")
        << QStringList { "busy", "-" } << OutputPlacement::FreeName << 2 << 0;
    QTest::newRow("an item whose folder name begins like another's")
        << QStringList { tag("12"), "-" } << OutputPlacement::FreeName << 2 << 0;
    QStringList full;
    for (int n = 0; n < maxNameChoices; ++n)
        full << tag(QString::number(n + 100));
    QTest::newRow("no free name left") << full << OutputPlacement::NoFreeName << 1 << 0;
}

void tst_Decisions::placement()
{
    QFETCH(QStringList, occupants);
    QFETCH(OutputPlacement::Verdict, verdict);
    QFETCH(int, choice);
    QFETCH(int, earlierChoice);
    const QString wanted = QStringLiteral("/c/Clip.mp4");
    // Which choice of name the path is.
    const auto n = [&](const QString &path) {
        int choice = 1;
        while (choice <= occupants.size() && numberedOutputFile(wanted, choice) != path)
            ++choice;
        return choice;
    };
    const auto occupantOf = [&](const QString &path) {
        const QString what = occupants.value(n(path) - 1, QStringLiteral("-"));
        if (what == QLatin1String("-") || what == QLatin1String("busy"))
            return NameOccupant { PathOccupant::Nothing, QString() };
        if (what == QLatin1String("link") || what == QLatin1String("folder"))
            return NameOccupant { PathOccupant::Foreign, QString() };
        if (what == QLatin1String("unreadable"))
            return NameOccupant { PathOccupant::RegularFile, QString(), false };
        return NameOccupant { PathOccupant::RegularFile, what };
    };
    const auto claim = [&](const QString &path) {
        return occupants.value(n(path) - 1) != QLatin1String("busy");
    };
    const OutputPlacement placement =
        placeOutput(wanted, tag(QStringLiteral("1")), occupantOf, claim);
    QCOMPARE(placement.verdict, verdict);
    QCOMPARE(placement.outputFile, numberedOutputFile(wanted, choice));
    QCOMPARE(placement.earlierOutput,
             earlierChoice ? numberedOutputFile(wanted, earlierChoice) : QString());
}

void tst_Decisions::sourceFate_data()
{
    QTest::addColumn<bool>("asked");
    QTest::addColumn<OutputPlacement::Verdict>("placement");
    QTest::addColumn<ItemResult::Outcome>("outcome");
    QTest::addColumn<Problem::Kind>("verification");
    QTest::addColumn<bool>("fallbackName");
    QTest::addColumn<SourceVerdict::Kind>("fate");
    QTest::addColumn<Problem::Kind>("reason");

    const auto free = OutputPlacement::FreeName;
    const auto own = OutputPlacement::OwnOutput;
    QTest::newRow("converted and complete: they go")
        << true << free << ItemResult::Converted << Problem::None << false
        << SourceVerdict::MayRemove << Problem::None;
    QTest::newRow("nobody asked") << false << free << ItemResult::Converted << Problem::None
                                  << false << SourceVerdict::NotAsked << Problem::None;
    QTest::newRow("own earlier output, complete")
        << true << own << ItemResult::Skipped << Problem::None << false << SourceVerdict::MayRemove
        << Problem::None;
    QTest::newRow("own earlier output, but short")
        << true << own << ItemResult::Skipped << Problem::DurationShort << false
        << SourceVerdict::Keep << Problem::DurationShort;
    QTest::newRow("converted without audio")
        << true << free << ItemResult::Converted << Problem::StreamMissing << false
        << SourceVerdict::Keep << Problem::StreamMissing;
    QTest::newRow("a source whose length is unknown")
        << true << free << ItemResult::Converted << Problem::SourceDurationUnknown << false
        << SourceVerdict::Keep << Problem::SourceDurationUnknown;
    QTest::newRow("the shared fallback name")
        << true << free << ItemResult::Converted << Problem::None << true << SourceVerdict::Keep
        << Problem::FallbackName;
    QTest::newRow("an output of unknown origin")
        << true << OutputPlacement::OriginUnknown << ItemResult::Skipped << Problem::None << false
        << SourceVerdict::Keep << Problem::OutputUntagged;
    QTest::newRow("an output that cannot be read: damaged, not someone else's")
        << true << OutputPlacement::Unreadable << ItemResult::Skipped << Problem::None << false
        << SourceVerdict::Keep << Problem::OutputUnreadable;
    QTest::newRow("an output of another video folder")
        << true << OutputPlacement::OtherVideoOfItem << ItemResult::Skipped << Problem::None
        << false << SourceVerdict::Keep << Problem::OutputOfAnotherVideo;
    QTest::newRow("unknown origin outweighs the fallback name")
        << true << OutputPlacement::OriginUnknown << ItemResult::Skipped << Problem::None << true
        << SourceVerdict::Keep << Problem::OutputUntagged;
    QTest::newRow("failed: its failure tells")
        << true << free << ItemResult::Failed << Problem::None << false << SourceVerdict::NotAsked
        << Problem::None;
    QTest::newRow("incomplete: its failure tells")
        << true << free << ItemResult::Incomplete << Problem::DurationShort << false
        << SourceVerdict::NotAsked << Problem::None;
    QTest::newRow("passed over while another conversion ran")
        << true << free << ItemResult::Passed << Problem::None << false << SourceVerdict::NotAsked
        << Problem::None;
    QTest::newRow("a dry run") << true << free << ItemResult::WouldConvert << Problem::None << false
                               << SourceVerdict::NotAsked << Problem::None;
}

void tst_Decisions::sourceFate()
{
    QFETCH(bool, asked);
    QFETCH(OutputPlacement::Verdict, placement);
    QFETCH(ItemResult::Outcome, outcome);
    QFETCH(Problem::Kind, verification);
    QFETCH(bool, fallbackName);
    QFETCH(SourceVerdict::Kind, fate);
    QFETCH(Problem::Kind, reason);
    Verification checked;
    checked.problem = Problem(verification);
    checked.file.size = 1; // a file was read
    const SourceVerdict decided = decideSources(
        { asked, placement, outcome, checked, fallbackName, QStringLiteral("/c/a.mp4") });
    QCOMPARE(decided.kind, fate);
    QCOMPARE(decided.reason.kind, reason);
}

void tst_Decisions::removalFate_data()
{
    // What each step of the removal did, and what the item's line must say of it.
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<QString>("folder"); // the folder tried, if any
    QTest::addColumn<bool>("folderRemoved");
    QTest::addColumn<SourceFate::Kind>("fate");
    QTest::addColumn<QString>("stayed");

    QTest::newRow("all of it") << true << true << "/c/1" << true << SourceFate::Removed << "";
    QTest::newRow("the streams, no folder tried")
        << true << true << "" << false << SourceFate::Removed << "";
    QTest::newRow("the video stayed")
        << false << true << "/c/1" << true << SourceFate::RemovalFailed << "/c/1/64/video.m4s";
    QTest::newRow("the audio stayed")
        << true << false << "/c/1" << true << SourceFate::RemovalFailed << "/c/1/64/audio.m4s";
    QTest::newRow("the folder stayed")
        << true << true << "/c/1" << false << SourceFate::RemovalFailed << "/c/1";
}

void tst_Decisions::removalFate()
{
    QFETCH(bool, video);
    QFETCH(bool, audio);
    QFETCH(QString, folder);
    QFETCH(bool, folderRemoved);
    QFETCH(SourceFate::Kind, fate);
    QFETCH(QString, stayed);
    const ConversionJob job =
        jobForVideoFile(QStringLiteral("/c/1/64/video.m4s"), QStringLiteral("/c/1/64"));
    SourceRemoval removal;
    removal.began = true;
    removal.videoRemoved = video;
    removal.audioRemoved = audio;
    removal.folder = folder;
    removal.folderRemoved = folderRemoved;
    const SourceFate decided = fateOfRemoval(removal, job);
    QCOMPARE(decided.kind, fate);
    QCOMPARE(decided.reason.path, stayed);
}

void tst_Decisions::durationCheck_data()
{
    QTest::addColumn<MediaInfo>("output");
    QTest::addColumn<Problem::Kind>("problem");
    QTest::addColumn<int>("stream");

    // Both sources last 3 s.
    QTest::newRow("complete") << media(true, 3.0, true, 3.02) << Problem::None << 0;
    QTest::newRow("within a second") << media(true, 2.1, true, 3.9) << Problem::None << 0;
    QTest::newRow("exactly a second short is within it")
        << media(true, 2.0, true, 2.0) << Problem::None << 0;
    QTest::newRow("just over a second short")
        << media(true, 1.99, true, 3.0) << Problem::DurationShort << int(Problem::Video);
    QTest::newRow("over a second longer: the source replaced by a shorter download")
        << media(true, 4.01, true, 3.0) << Problem::DurationShort << int(Problem::Video);
    QTest::newRow("audio cut short")
        << media(true, 3.0, true, 1.5) << Problem::DurationShort << int(Problem::Audio);
    QTest::newRow("no audio stream")
        << media(true, 3.0, false, -1) << Problem::StreamMissing << int(Problem::Audio);
    QTest::newRow("no video stream")
        << media(false, -1, true, 3.0) << Problem::StreamMissing << int(Problem::Video);
    QTest::newRow("unknown output length")
        << media(true, -1, true, 3.0) << Problem::OutputDurationUnknown << int(Problem::Video);
}

void tst_Decisions::durationCheck()
{
    QFETCH(MediaInfo, output);
    QFETCH(Problem::Kind, problem);
    QFETCH(int, stream);
    const Problem found =
        durationMismatch(output, media(true, 3.0, false, -1), media(false, -1, true, 3.0));
    QCOMPARE(found.kind, problem);
    if (problem != Problem::None)
        QCOMPARE(int(found.stream), stream);
}

void tst_Decisions::tagSamplesBothEndsOfEachStream()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QByteArray content(300 * 1024, 'v');
    const auto tagOf = [&dir](const QByteArray &video) {
        CacheBuilder::writeFile(dir.filePath(QStringLiteral("1/64/video.m4s")), video);
        CacheBuilder::writeFile(dir.filePath(QStringLiteral("1/64/audio.m4s")), "audio");
        return sourceTag(dir.filePath(QStringLiteral("1")), dir.filePath(QStringLiteral("1/64")),
                         dir.filePath(QStringLiteral("1/64/video.m4s")),
                         dir.filePath(QStringLiteral("1/64/audio.m4s")));
    };
    const QString before = tagOf(content);
    content[content.size() - 1] = 'w'; // a download finished differently, same size
    const QString after = tagOf(content);
    QVERIFY(!before.isEmpty());
    QVERIFY(before != after);
    QCOMPARE(relateTags(after, before), TagRelation::EarlierSources);
    // How an output was made does not change whose it is.
    QCOMPARE(relateTags(after, copiedTag(after)), TagRelation::Same);
    QVERIFY(tagSaysCopied(copiedTag(after)) && !tagSaysCopied(after));
    // Grown in the middle by bytes like its ends: only the video's size tells the difference.
    content.insert(content.size() / 2, QByteArray(1000, 'v'));
    QCOMPARE(relateTags(tagOf(content), after), TagRelation::EarlierSources);
}

namespace {

// A record of checksums for a video of videoCount packets and an audio of 100, every run that
// holds packets with the sum 0x00020003; one run of the video's given another sum.
QString recordOf(qint64 videoCount, int run = -1, quint32 sum = 0)
{
    const auto stream = [](qint64 count, int changed, quint32 changedSum) {
        TaggedStream tagged;
        tagged.count = count;
        for (int r = 0; r < checksumRuns; ++r) {
            // Packet i of n is in run i * runs / n.
            bool holds = false;
            for (qint64 i = 0; i < count && !holds; ++i)
                holds = i * checksumRuns / count == r;
            tagged.runSums.push_back(r == changed ? changedSum : holds ? 0x00020003 : 1);
        }
        return tagged;
    };
    return sumsField({ stream(videoCount, run, sum), stream(100, -1, 0) });
}

} // namespace

void tst_Decisions::aRecordOfChecksumsIsReadOrCalledDamaged_data()
{
    QTest::addColumn<QString>("field"); // what follows the tag's other fields
    QTest::addColumn<bool>("recorded"); // it records checksums that can be trusted
    QTest::addColumn<bool>("damaged");
    const QString sound = recordOf(30);
    QTest::newRow("none: an earlier version's") << "" << false << false;
    QTest::newRow("the room ffmpeg wrote, never filled") << reservedSums() << false << false;
    QTest::newRow("filled, few packets: empty runs hold the sum of nothing")
        << sound << true << false;
    QTest::newRow("filled, a packet in every run") << recordOf(64) << true << false;
    QTest::newRow("filled, more packets than runs") << recordOf(1000) << true << false;
    QTest::newRow("cut short by one character") << sound.chopped(1) << false << true;
    QTest::newRow("a character more") << sound + QLatin1Char('0') << false << true;
    QTest::newRow("not hexadecimal")
        << QString(sound).replace(20, 1, QLatin1Char('g')) << false << true;
    QTest::newRow("its streams the other way round")
        << QString(sound)
               .replace(QLatin1Char('v'), QLatin1Char('?'))
               .replace(QLatin1Char('a'), QLatin1Char('v'))
               .replace(QLatin1Char('?'), QLatin1Char('a'))
        << false << true;
    // 30 packets: packet 0 in run 0, packet 1 in run 2, so run 1 holds none.
    QTest::newRow("a run that holds no packet with a sum")
        << recordOf(30, 1, 0x00020003) << false << true;
    QTest::newRow("a run that holds a packet, whose sum is that of nothing")
        << recordOf(30, 2, 1) << true << false;
    QTest::newRow("the last run of 64 packets, which holds one")
        << recordOf(64, 63, 0x00050007) << true << false;
    // Of 30, the last packet is in run 29 * 64 / 30 = 61: runs 62 and 63 hold none.
    QTest::newRow("30 packets: run 61 holds the last")
        << recordOf(30, 61, 0x00050007) << true << false;
    QTest::newRow("30 packets: run 63 with a sum") << recordOf(30, 63, 0x00050007) << false << true;
    QTest::newRow("a sum no Adler-32 can be: its low half 65521")
        << recordOf(30, 0, 0x0002fff1) << false << true;
    QTest::newRow("its high half 65521") << recordOf(30, 0, 0xfff10002) << false << true;
    QTest::newRow("both halves 65520, the largest there are")
        << recordOf(30, 0, 0xfff0fff0) << true << false;
}

void tst_Decisions::aRecordOfChecksumsIsReadOrCalledDamaged()
{
    QFETCH(QString, field);
    QFETCH(bool, recorded);
    QFETCH(bool, damaged);
    const QString tag =
        QStringLiteral("vantoro-source:1;item=1;folder=64;video=1;audio=2;sha256=ab") + field;
    const TaggedSums sums = taggedSums(tag);
    QCOMPARE(sums.damaged, damaged);
    QCOMPARE(!sums.isEmpty(), recorded);
    if (recorded)
        QCOMPARE(sumsField(sums), field);
}

QTEST_GUILESS_MAIN(tst_Decisions)
#include "tst_decisions.moc"
