// SPDX-License-Identifier: MIT
// What a run tells: one tally, one meaning of "needs attention", and one table of words.
#include <QMetaEnum>
#include <QtTest>

#include "englishwording.h"
#include "output/outputnaming.h"
#include "report/reportwording.h"
#include "report/runreport.h"

Q_DECLARE_METATYPE(ItemResult)
Q_DECLARE_METATYPE(Problem)

namespace {

ItemResult item(ItemResult::Outcome outcome, SourceFate::Kind fate = SourceFate::NotAsked,
                Problem::Kind note = Problem::None)
{
    ItemResult result;
    result.outputName = QStringLiteral("a.mp4");
    result.outputFile = QStringLiteral("/c/a.mp4");
    result.outcome = outcome;
    if (outcome == ItemResult::Failed || outcome == ItemResult::Incomplete)
        result.failure = Problem(Problem::FfmpegCrashed);
    result.sources = SourceFate(fate,
                                fate == SourceFate::Kept || fate == SourceFate::RemovalFailed
                                    ? Problem(Problem::RemovalFailed, QStringLiteral("/c/x"))
                                    : Problem());
    result.nameNote = Problem(note);
    return result;
}

} // namespace

class tst_Report : public QObject
{
    Q_OBJECT

private slots:
    void tally_data();
    void tally();
    void everyKindIsWordedInBothLanguages_data();
    void everyKindIsWordedInBothLanguages();
    void everyOutcomeFateAndRoleIsWordedInBothLanguages_data();
    void everyOutcomeFateAndRoleIsWordedInBothLanguages();
    void wording_data();
    void wording();
    void reportCountsFirst();
};

void tst_Report::tally_data()
{
    QTest::addColumn<ItemResult>("result");
    QTest::addColumn<bool>("attention");

    QTest::newRow("converted") << item(ItemResult::Converted) << false;
    QTest::newRow("converted, sources removed")
        << item(ItemResult::Converted, SourceFate::Removed) << false;
    QTest::newRow("skipped") << item(ItemResult::Skipped) << false;
    QTest::newRow("dry run") << item(ItemResult::WouldConvert) << false;
    QTest::newRow("failed") << item(ItemResult::Failed) << true;
    QTest::newRow("incomplete") << item(ItemResult::Incomplete) << true;
    QTest::newRow("passed over") << item(ItemResult::Passed) << true;
    QTest::newRow("locked by another run") << item(ItemResult::Locked) << true;
    QTest::newRow("gone before its turn") << item(ItemResult::Gone) << true;
    QTest::newRow("converted by another run, which removed it")
        << item(ItemResult::ConvertedElsewhere) << false;
    QTest::newRow("sources kept") << item(ItemResult::Converted, SourceFate::Kept) << true;
    QTest::newRow("removal failed")
        << item(ItemResult::Converted, SourceFate::RemovalFailed) << true;
    QTest::newRow("an unusable entry.json")
        << item(ItemResult::Converted, SourceFate::NotAsked, Problem::EntryNotRegular) << true;
    ItemResult again = item(ItemResult::Converted, SourceFate::Removed);
    again.earlierOutput = QStringLiteral("/c/a.mp4");
    QTest::newRow("converted again beside an earlier output") << again << false;
}

void tst_Report::tally()
{
    QFETCH(ItemResult, result);
    QFETCH(bool, attention);
    RunReport report;
    report.addItem(item(ItemResult::Converted));
    report.addItem(result);
    QCOMPARE(report.items(), 2);
    QCOMPARE(report.count(result.outcome), 1 + (result.outcome == ItemResult::Converted ? 1 : 0));
    QCOMPARE(RunReport::needsAttention(result), attention);
    QCOMPARE(report.needsAttention(), attention);
    // A plain success is a count, never an entry: a long run's report does not grow with it.
    QCOMPARE(report.hasEntries(), !RunReport::entriesFor(result).isEmpty());
    // Whatever needs attention is told in the window's report too.
    if (attention)
        QVERIFY(chineseReport(report).count(QLatin1Char('\n')) >= 1);
}

void tst_Report::everyKindIsWordedInBothLanguages_data()
{
    QTest::addColumn<int>("kind");
    const QMetaEnum kinds = QMetaEnum::fromType<Problem::Kind>();
    for (int i = 0; i < kinds.keyCount(); ++i) {
        if (kinds.value(i) != Problem::None)
            QTest::newRow(kinds.key(i)) << kinds.value(i);
    }
}

void tst_Report::everyKindIsWordedInBothLanguages()
{
    QFETCH(int, kind);
    Problem problem(Problem::Kind(kind), QStringLiteral("/c/d/名字.mp4"));
    problem.detail = QStringLiteral("what the system said");
    const QString chinese = problemWords(problem, Language::Chinese);
    const QString english = problemWords(problem, Language::English);
    for (const QString &words : { chinese, english }) {
        QVERIFY(!words.isEmpty());
        QVERIFY2(!words.contains(QLatin1Char('{')) && !words.contains(QLatin1Char('[')),
                 qPrintable(words));
    }
    QVERIFY2(chinese != english, qPrintable(chinese));
    // Where one language names the file, so does the other.
    QCOMPARE(chinese.contains(QStringLiteral("名字")), english.contains(QStringLiteral("名字")));
}

void tst_Report::everyOutcomeFateAndRoleIsWordedInBothLanguages_data()
{
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    const Problem why(Problem::FfmpegCrashed);
    const auto add = [](const char *row, const std::function<QString(Language)> &words) {
        QTest::newRow(row) << words(Language::Chinese) << words(Language::English);
    };
    const QMetaEnum outcomes = QMetaEnum::fromType<ItemResult::Outcome>();
    for (int i = 0; i < outcomes.keyCount(); ++i) {
        const auto outcome = ItemResult::Outcome(outcomes.value(i));
        add(outcomes.key(i), [=](Language language) {
            return outcomeWords(outcome, why, language) + QLatin1Char('|')
                + outcomeCount(outcome, 7, language);
        });
    }
    const QMetaEnum fates = QMetaEnum::fromType<SourceFate::Kind>();
    for (int i = 0; i < fates.keyCount(); ++i) {
        if (fates.value(i) != SourceFate::NotAsked)
            add(fates.key(i), [=](Language language) {
                return fateWords(SourceFate(SourceFate::Kind(fates.value(i)), why), language);
            });
    }
    for (const RunReport::Role role :
         { RunReport::ItemOutcome, RunReport::SourcesKept, RunReport::RemovalFailed,
           RunReport::NameFallback, RunReport::WalkProblem, RunReport::EarlierOutputKept }) {
        add(qPrintable(QStringLiteral("role %1").arg(role)), [=](Language language) {
            const RunReport::Entry entry { QStringLiteral("a.mp4"), role, ItemResult::Failed, why,
                                           QStringLiteral("/c/earlier.mp4") };
            return roleWords(entry, language) + QLatin1Char('|') + roleCount(role, 7, language);
        });
    }
}

void tst_Report::everyOutcomeFateAndRoleIsWordedInBothLanguages()
{
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    for (const QString &words : { chinese, english }) {
        const QStringList parts = words.split(QLatin1Char('|'));
        for (const QString &part : parts)
            QVERIFY2(!part.trimmed().isEmpty(), qPrintable(words));
        QVERIFY2(!words.contains(QLatin1Char('{')) && !words.contains(QLatin1Char('[')),
                 qPrintable(words));
        // A count names its number.
        if (parts.size() > 1)
            QVERIFY2(parts.last().contains(QLatin1Char('7')), qPrintable(words));
    }
    QVERIFY2(chinese != english, qPrintable(chinese));
}

void tst_Report::wording_data()
{
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    Problem exited(Problem::FfmpegExited);
    exited.exitCode = 1;
    QTest::newRow("exit code alone") << exited << "ffmpeg 退出码 1"
                                     << "ffmpeg exited with code 1";
    exited.detail = QStringLiteral("Conversion failed!");
    QTest::newRow("exit code and ffmpeg's last words")
        << exited << "ffmpeg 退出码 1：Conversion failed!"
        << "ffmpeg exited with code 1: Conversion failed!";
    exited.detail = QStringLiteral("bad [x] {stream}");
    QTest::newRow("ffmpeg's words are never read as placeholders")
        << exited << "ffmpeg 退出码 1：bad [x] {stream}"
        << "ffmpeg exited with code 1: bad [x] {stream}";
    Problem shortAudio(Problem::DurationShort);
    shortAudio.stream = Problem::Audio;
    shortAudio.outputSeconds = 1.24;
    shortAudio.sourceSeconds = 3;
    QTest::newRow("durations with a decimal")
        << shortAudio << "输出音频时长 1.2 秒，源文件为 3.0 秒，源文件可能未下载完整"
        << "the output audio lasts 1.2 s, its source 3.0 s (an unfinished download?)";
    Problem cut(Problem::OutputCutShort);
    cut.outputSeconds = 2.2;
    cut.sourceSeconds = 4;
    QTest::newRow("where a damaged output's data ends")
        << cut << "输出文件已损坏：其视频数据在 2.2 秒处中断（应为 4.0 秒），为安全起见未删除"
        << "the output is damaged: its video data ends at 2.2 s of 4.0 s, so nothing was removed";
    QTest::newRow("the sources of a damaged output stay")
        << Problem(Problem::OutputDamaged)
        << "输出文件已损坏，读不出视频流和音频流，已删除；源文件已保留"
        << "the output is damaged (no readable video and audio stream) and was removed; the "
           "sources were kept";
    exited.detail = QStringLiteral("Conversion failed!");
    exited.diskNearlyFull = true;
    QTest::newRow("a full disk is named whatever ffmpeg's exit code")
        << exited << "ffmpeg 退出码 1：Conversion failed!（磁盘空间几乎用完，很可能是磁盘已满所致）"
        << "ffmpeg exited with code 1: Conversion failed! (the disk is nearly full: most likely "
           "the cause)";
    QTest::newRow("the fallback name is named")
        << Problem(Problem::FallbackName)
        << "无法读取 entry.json，输出使用了共用的默认名 " + fallbackOutputName
        << "entry.json could not be read, so the output has the shared name " + fallbackOutputName;
}

void tst_Report::wording()
{
    QFETCH(Problem, problem);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    QCOMPARE(problemWords(problem, Language::Chinese), chinese);
    QCOMPARE(problemWords(problem, Language::English), english);
}

void tst_Report::reportCountsFirst()
{
    RunReport report;
    QVERIFY(!report.hasEntries());
    report.addItem(item(ItemResult::Converted));
    report.addItem(item(ItemResult::Skipped));
    report.addItem(item(ItemResult::Failed));
    report.addItem(item(ItemResult::Incomplete));
    report.addWalkProblem(Problem(Problem::FolderUnreadable, QStringLiteral("/c/locked")));
    const QStringList lines = chineseReport(report).split(QLatin1Char('\n'));
    QCOMPARE(lines,
             QStringList({ QStringLiteral("转换成功 1 个，已存在而跳过 1 个，失败 1 个，不完整 1 "
                                          "个，无法读取的文件夹 1 个。"),
                           QStringLiteral("a.mp4：ffmpeg 崩溃"),
                           QStringLiteral("a.mp4：已保留不完整的输出，源文件未删除（ffmpeg 崩溃）"),
                           QStringLiteral("无法读取文件夹，其中的视频未处理：/c/locked") }));
    QCOMPARE(englishOutcome(item(ItemResult::Converted, SourceFate::Kept)),
             QStringLiteral("converted, sources kept: /c/x could not be removed"));
    // The console's summary adds up when another run converted an item meanwhile.
    RunReport shared;
    shared.addItem(item(ItemResult::Converted));
    shared.addItem(item(ItemResult::ConvertedElsewhere));
    QCOMPARE(englishSummary(shared, 2, false, false),
             QStringLiteral("Converted 1, skipped 0, failed 0, 1 converted by another run, of 2 "
                            "items."));
    // A folder that could not be read needs attention on its own, in both summaries.
    RunReport walkOnly;
    walkOnly.addWalkProblem(Problem(Problem::FolderUnreadable, QStringLiteral("/c/locked")));
    QVERIFY(walkOnly.needsAttention());
    QCOMPARE(englishSummary(walkOnly, 0, false, false),
             QStringLiteral("Converted 0, skipped 0, failed 0, of 0 items. Needs attention: 1 "
                            "unreadable folders."));
}

QTEST_GUILESS_MAIN(tst_Report)
#include "tst_report.moc"
