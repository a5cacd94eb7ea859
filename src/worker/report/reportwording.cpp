// SPDX-License-Identifier: MIT
#include "report/reportwording.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include "output/outputnaming.h"

namespace {

// Each language a column. In the texts, {name} stands for an argument (see the functions that
// fill them), and a part in [brackets] is left out when an argument in it is empty.
struct Words
{
    const char *chinese;
    const char *english;

    QString in(Language language) const
    {
        return QString::fromUtf8(language == Language::Chinese ? chinese : english);
    }
};

struct ProblemRow
{
    Problem::Kind kind;
    Words words;
};

const ProblemRow problemRows[] = {
    { Problem::None, { "", "" } },
    { Problem::FfmpegNotFound, { "未找到 ffmpeg", "ffmpeg was not found" } },
    { Problem::FfmpegFailedToStart,
      { "无法启动 ffmpeg：{detail}", "ffmpeg could not be started: {detail}" } },
    { Problem::FfmpegCrashed, { "ffmpeg 崩溃", "ffmpeg crashed" } },
    { Problem::FfmpegExited,
      { "ffmpeg 退出码 {code}[：{detail}]", "ffmpeg exited with code {code}[: {detail}]" } },
    { Problem::Stopped, { "已停止", "stopped" } },
    { Problem::NoOutput, { "ffmpeg 没有生成输出文件", "ffmpeg wrote no output" } },
    { Problem::OutputDamaged,
      { "输出文件已损坏，读不出视频流和音频流，已删除；源文件已保留",
        "the output is damaged (no readable video and audio stream) and was removed; the "
        "sources were kept" } },
    { Problem::NoFreeName,
      { "从 {file} 起的 1000 个文件名都已被占用",
        "the name {file} and its 999 numbered choices are all taken" } },
    { Problem::TemporaryNameBlocked,
      { "临时文件名 {file} 已被并非 Vantoro 运行所留的文件占用，此项未转换，该文件已保留",
        "the temporary name {path} is taken by something no run of Vantoro left, so the item was "
        "not converted and that stays" } },
    { Problem::RenameRefused,
      { "无法把临时文件改名为 {file}", "the finished output could not be given its name {path}" } },
    { Problem::OutputHeld,
      { "完成的输出文件一直被其他程序占用，无法改名为 {file}",
        "another program held the finished output all the while, so it could not be given its "
        "name {path}" } },
    { Problem::MediaUnreadable, { "无法读取 {file}", "{path} cannot be read" } },
    { Problem::NotMedia,
      { "{file} 不是可读取的视频文件", "{path} is not a video file it can read" } },
    { Problem::StreamMissing, { "输出缺少{stream}流", "the output has no {stream} stream" } },
    { Problem::SourceDurationUnknown,
      { "无法读取源{stream}的时长", "the length of the source {stream} is unknown" } },
    { Problem::OutputDurationUnknown,
      { "无法读取输出{stream}的时长", "the length of the output {stream} is unknown" } },
    { Problem::DurationShort,
      { "输出{stream}时长 {output} 秒，源文件为 {source} 秒，源文件可能未下载完整",
        "the output {stream} lasts {output} s, its source {source} s (an unfinished download?)" } },
    { Problem::FallbackName,
      { "无法读取 entry.json，输出使用了共用的默认名 {fallback}",
        "entry.json could not be read, so the output has the shared name {fallback}" } },
    { Problem::OutputOfAnotherVideo,
      { "输出文件是本项的另一个视频生成的",
        "the output was made from another video of this item" } },
    { Problem::OutputUntagged,
      { "已有的输出文件不是本程序为此项生成的，无法确认它的来源",
        "the existing output was not made by Vantoro from this item, so whose it is cannot be "
        "told" } },
    { Problem::LinkOnTheWay,
      { "路径中有链接，为安全起见未删除：{path}",
        "a link stands on the way ({path}), so nothing was removed" } },
    { Problem::OutputChanged,
      { "检查之后输出文件被替换或改动（{path}），为安全起见未删除",
        "the output was replaced or changed after it was checked ({path}), so nothing was "
        "removed" } },
    { Problem::OutputCutShort,
      { "输出文件已损坏：其{stream}数据在 {output} 秒处中断（应为 {source} 秒），为安全起见未删除",
        "the output is damaged: its {stream} data ends at {output} s of {source} s, so nothing "
        "was removed" } },
    { Problem::PacketsDiffer,
      { "输出文件中的{stream}与源文件不一致，为安全起见未删除",
        "the output's {stream} is not the same as its source's (its data differs), so nothing "
        "was removed" } },
    { Problem::OutputDataDamaged,
      { "输出文件已损坏：其{stream}数据从 {output} 秒处起已损坏（共 {source} "
        "秒），为安全起见未删除",
        "the output is damaged: its {stream} data is damaged from {output} s of {source} s, so "
        "nothing was removed" } },
    { Problem::ProofUnavailable,
      { "输出文件没有记录校验和，且无法解码其{stream}（{detail}）来确认它完好，为安全起见未删除",
        "the output records no checksums, and its {stream} ({detail}) cannot be decoded here to "
        "prove it whole, so nothing was removed" } },
    { Problem::OutputUnreadable,
      { "输出文件名处已有一个无法读取的文件（{path}），可能已损坏，无法确认它的来源",
        "the file at the output's name cannot be read as a video ({path}): damaged, or not a "
        "video, so whose it is cannot be told" } },
    { Problem::ChecksumRecordDamaged,
      { "输出文件的校验和记录已损坏（{path}）",
        "the output's record of checksums is damaged ({path})" } },
    { Problem::ItemLockRefused,
      { "输出文件夹不可写，无法建立锁文件（{path}），此项未处理",
        "the output folder cannot be written: no lock could be made there ({path}), so nothing "
        "was done" } },
    { Problem::ItemLockStuck,
      { "输出文件夹不可写，已中断的运行留下的锁文件无法删除（{path}），此项未处理",
        "the output folder cannot be written: a lock left by a run that is gone cannot be "
        "removed ({path}), so nothing was done" } },
    { Problem::FlushFailed,
      { "无法确认输出已写入磁盘（{path}：{detail}），为安全起见未删除",
        "the output could not be put safely on the disk ({path}: {detail}), so nothing was "
        "removed" } },
    { Problem::RemovalFailed, { "无法删除 {path}", "{path} could not be removed" } },
    { Problem::SourceHeld,
      { "{path} 一直被其他程序占用，源文件都未删除",
        "another program held {path} open all the while, so no source was removed" } },
    { Problem::FolderReplacedByLink,
      { "删除过程中，此项的一个文件夹被替换成了链接（{path}），剩下的文件都已保留",
        "a folder of the item was replaced by a link while it was being removed ({path}), so "
        "what was left of the item stays" } },
    { Problem::FolderMoved,
      { "删除过程中，此项的一个文件夹被移走或替换（{path}），剩下的文件都已保留",
        "a folder of the item was moved or replaced while it was being removed ({path}), so "
        "what was left of the item stays" } },
    { Problem::RemainsChanged,
      { "上次中断的删除留下的文件已有变动（{path}），为安全起见未删除",
        "what an earlier removal left of the item has changed since ({path}), so nothing was "
        "removed" } },
    { Problem::EntryNotRegular,
      { "entry.json 不是普通文件，使用了默认名",
        "entry.json is not a plain file, so the fallback name was used" } },
    { Problem::EntryTooLarge,
      { "entry.json 超过 1 MiB，使用了默认名",
        "entry.json is larger than 1 MiB, so the fallback name was used" } },
    { Problem::StreamNotRegular, { "{path} 不是普通文件", "{path} is not a plain file" } },
    { Problem::RootUnreadable,
      { "所选文件夹不存在或无法打开：{path}",
        "the folder does not exist or cannot be opened: {path}" } },
    { Problem::FolderUnreadable,
      { "无法读取文件夹，其中的视频未处理：{path}",
        "a folder cannot be read, its items were left out: {path}" } },
    { Problem::FolderLoop,
      { "文件夹经由文件系统环路又回到了已处理过的文件夹，未再次进入：{path}",
        "a folder leads back to one already walked (a file system loop), so it was not entered "
        "again: {path}" } },
    { Problem::NotARunsWorkingFile,
      { "{path} 看似 Vantoro 的临时文件，但并非其运行所留，已保留原样",
        "{path} looks like a temporary of Vantoro but none of its runs left it: left as it is" } },
    { Problem::PathTooLong,
      { "路径太长，无法打开，其中的视频未处理：{path}",
        "a path is too long to open, its items were left out: {path}" } },
};

// Added to any problem that came with a nearly full disk.
const Words diskNearlyFullWords = { "（磁盘空间几乎用完，很可能是磁盘已满所致）",
                                    " (the disk is nearly full: most likely the cause)" };

struct OutcomeRow
{
    ItemResult::Outcome outcome;
    Words words; // the line; {problem}: the item's failure
    Words count; // {n}
};

const OutcomeRow outcomeRows[] = {
    { ItemResult::Converted, { "已转换", "converted" }, { "转换成功 {n} 个", "Converted {n}" } },
    { ItemResult::Skipped,
      { "输出已存在，已跳过", "skipped, the output is already there" },
      { "已存在而跳过 {n} 个", "skipped {n}" } },
    { ItemResult::Failed, { "{problem}", "failed: {problem}" }, { "失败 {n} 个", "failed {n}" } },
    { ItemResult::Incomplete,
      { "已保留不完整的输出，源文件未删除（{problem}）",
        "incomplete, kept with its sources: {problem}" },
      { "不完整 {n} 个", "{n} incomplete" } },
    { ItemResult::WouldConvert,
      { "将被转换", "would be converted" },
      { "将转换 {n} 个", "Would convert {n}" } },
    { ItemResult::WouldSkip,
      { "输出已存在，将被跳过", "would be skipped, the output is already there" },
      { "将跳过 {n} 个", "would skip {n}" } },
    { ItemResult::Passed,
      { "另一个转换仍在进行，此项未处理", "passed over, another conversion was still running" },
      { "因另一转换仍在进行而未处理 {n} 个", "{n} passed over" } },
    { ItemResult::Locked,
      { "正由另一次转换处理，此项未处理，请稍后再试", "skipped, being converted by another run" },
      { "正由另一次转换处理 {n} 个", "{n} being converted by another run" } },
    { ItemResult::Gone,
      { "轮到它时已不在：已被移走，或已由另一次转换处理",
        "gone before its turn: moved, or converted by another run" },
      { "轮到时已不在 {n} 个", "{n} gone before their turn" } },
    { ItemResult::ConvertedElsewhere,
      { "轮到它时已由另一次转换处理，其源文件已删除",
        "gone before its turn: converted by another run, which removed its sources" },
      { "已由另一次转换处理 {n} 个", "{n} converted by another run" } },
};

struct FateRow
{
    SourceFate::Kind kind;
    Words words; // {problem}: the reason
};

const FateRow fateRows[] = {
    { SourceFate::NotAsked, { "", "" } },
    { SourceFate::Removed, { "源文件已删除", "sources removed" } },
    { SourceFate::Kept, { "但保留了源文件（{problem}）", "sources kept: {problem}" } },
    { SourceFate::RemovalFailed, { "但删除源文件失败（{problem}）", "removal failed: {problem}" } },
};

struct CheckRow
{
    OutputCheck::Verdict verdict;
    Words words; // {problem}: what is damaged, or why it cannot be read
};

const CheckRow checkRows[] = {
    { OutputCheck::Sound, { "完好", "sound" } },
    { OutputCheck::Damaged, { "已损坏：{problem}", "damaged: {problem}" } },
    { OutputCheck::NoChecksums,
      { "无法检查：由未记录校验和的旧版本生成",
        "cannot be checked: made by an earlier version of Vantoro, which recorded no checksums" } },
    { OutputCheck::Unreadable, { "无法检查：{problem}", "cannot be checked: {problem}" } },
    { OutputCheck::NotVantoros, { "", "" } },
};

// What is damaged, as a check of an output on its own says it (nothing is removed then).
const ProblemRow checkDamageRows[] = {
    { Problem::OutputDataDamaged,
      { "其{stream}数据从 {output} 秒处起已损坏（共 {source} 秒）",
        "its {stream} data is damaged from {output} s of {source} s" } },
    { Problem::OutputCutShort,
      { "其{stream}数据在 {output} 秒处中断或有缺失（应为 {source} 秒）",
        "its {stream} data ends at {output} s of {source} s, or parts of it are missing" } },
    { Problem::StreamMissing, { "缺少{stream}流", "it has no {stream} stream" } },
    { Problem::ChecksumRecordDamaged,
      { "其校验和记录已损坏", "its record of checksums is damaged" } },
};

struct ProofRow
{
    SourceFate::Proof proof;
    Words words; // added to the words of sources removed
};

// Said of the proofs of outputs that record no checksums; the others go without saying.
const ProofRow proofRows[] = {
    { SourceFate::SourcePackets,
      { "（输出没有记录校验和，已与源文件逐包比对确认完好）",
        " (the output records no checksums: proven against the sources' own packets)" } },
    { SourceFate::Decoded,
      { "（输出没有记录校验和，已逐帧解码确认完好）",
        " (the output records no checksums: proven by decoding every frame)" } },
};
// The same, of outputs whose record of checksums is damaged.
const ProofRow damagedRecordProofRows[] = {
    { SourceFate::SourcePackets,
      { "（输出的校验和记录已损坏，已与源文件逐包比对确认完好）",
        " (the output's record of checksums is damaged: proven against the sources' own "
        "packets)" } },
    { SourceFate::Decoded,
      { "（输出的校验和记录已损坏，已逐帧解码确认完好）",
        " (the output's record of checksums is damaged: proven by decoding every frame)" } },
};

struct RoleRow
{
    RunReport::Role role;
    // In Chinese the line after the item's name; in English the words added to the item's line.
    // {outcome}, {problem}, {fate}, {file}: the earlier output kept.
    Words words;
    Words count; // {n}
};

const RoleRow roleRows[] = {
    { RunReport::ItemOutcome, { "{outcome}", "{outcome}" }, { "{n} 项需要注意", "{n} items" } },
    { RunReport::SourcesKept,
      { "已转换，{fate}", ", {fate}" },
      { "保留了源文件 {n} 个", "{n} kept their sources" } },
    { RunReport::RemovalFailed,
      { "已转换，{fate}", ", {fate}" },
      { "删除源文件失败 {n} 个", "{n} could not be removed" } },
    { RunReport::NameFallback,
      { "{problem}", " ({problem})" },
      { "entry.json 不可用 {n} 个", "{n} without a usable entry.json" } },
    { RunReport::WalkProblem,
      { "{problem}", "{problem}" },
      { "无法读取的文件夹 {n} 个", "{n} unreadable folders" } },
    { RunReport::EarlierOutputKept,
      { "下载完成后已重新转换；下载完成前转换的 {file} 仍保留",
        " (again: {file} was made before its download finished; it stays)" },
      { "下载完成后重新转换 {n} 个", "{n} converted again after their download finished" } },
    { RunReport::UnderEarlierName,
      { "标题已更改，此项已转换为 {file}，未再次转换", " (already converted as {file})" },
      { "已按旧标题转换 {n} 个", "{n} already converted under an earlier title" } },
    { RunReport::EarlierRemovalFinished,
      { "上次中断的删除已完成", " (finished an earlier removal)" },
      { "完成上次中断的删除 {n} 个", "{n} earlier removals finished" } },
    { RunReport::WalkNote,
      { "{problem}", "{problem}" },
      { "文件系统环路 {n} 处", "{n} file system loops" } },
    { RunReport::LookAlikeNote,
      { "{problem}", "{problem}" },
      { "形似临时文件而保留的文件 {n} 个", "{n} files shaped like temporaries left as they are" } },
};

// The words of one column in the row for the value, in the language; empty when no row has it.
template <typename Row, size_t rowCount, typename Key>
QString wordsOf(const Row (&rows)[rowCount], Key Row::*key, Key value, Words Row::*column,
                Language language)
{
    for (const Row &row : rows) {
        if (row.*key == value)
            return (row.*column).in(language);
    }
    return QString();
}

// Puts the arguments into the text in one pass, so nothing an argument holds (a path, ffmpeg's
// words) is ever read as a placeholder. allGiven tells whether every argument named was there.
QString fill(const QString &text, const QHash<QString, QString> &arguments,
             bool *allGiven = nullptr)
{
    QString result;
    bool given = true;
    for (int at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c == QLatin1Char('[') || c == QLatin1Char('{')) {
            const int close =
                text.indexOf(c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('}'), at);
            const QString inside = text.mid(at + 1, close - at - 1);
            if (c == QLatin1Char('[')) {
                bool partGiven = false;
                const QString part = fill(inside, arguments, &partGiven);
                if (partGiven)
                    result += part;
            } else {
                const QString value = arguments.value(inside);
                given = given && !value.isEmpty();
                result += value;
            }
            at = close;
        } else {
            result += c;
        }
    }
    if (allGiven)
        *allGiven = given;
    return result;
}

// The values a problem's text may name, put into words for the language.
QHash<QString, QString> problemArguments(const Problem &problem, Language language)
{
    const bool chinese = language == Language::Chinese;
    const QString stream = problem.stream == Problem::Video
        ? (chinese ? QStringLiteral("视频") : QStringLiteral("video"))
        : (chinese ? QStringLiteral("音频") : QStringLiteral("audio"));
    return {
        { QStringLiteral("path"), problem.path },
        { QStringLiteral("file"), QFileInfo(problem.path).fileName() },
        { QStringLiteral("detail"), problem.detail },
        { QStringLiteral("code"), QString::number(problem.exitCode) },
        { QStringLiteral("stream"), stream },
        { QStringLiteral("output"), QString::number(problem.outputSeconds, 'f', 1) },
        { QStringLiteral("source"), QString::number(problem.sourceSeconds, 'f', 1) },
        { QStringLiteral("fallback"), fallbackOutputName },
    };
}

QString countWords(const QString &text, int count)
{
    return fill(text, { { QStringLiteral("n"), QString::number(count) } });
}

} // namespace

QString problemWords(const Problem &problem, Language language)
{
    QString words =
        fill(wordsOf(problemRows, &ProblemRow::kind, problem.kind, &ProblemRow::words, language),
             problemArguments(problem, language));
    if (problem.diskNearlyFull && !problem.isNone())
        words += diskNearlyFullWords.in(language);
    return words;
}

QString outcomeWords(ItemResult::Outcome outcome, const Problem &failure, Language language)
{
    return fill(wordsOf(outcomeRows, &OutcomeRow::outcome, outcome, &OutcomeRow::words, language),
                { { QStringLiteral("problem"), problemWords(failure, language) } });
}

QString outcomeCount(ItemResult::Outcome outcome, int count, Language language)
{
    return countWords(
        wordsOf(outcomeRows, &OutcomeRow::outcome, outcome, &OutcomeRow::count, language), count);
}

QString fateWords(const SourceFate &fate, Language language)
{
    QString words = fill(wordsOf(fateRows, &FateRow::kind, fate.kind, &FateRow::words, language),
                         { { QStringLiteral("problem"), problemWords(fate.reason, language) } });
    if (fate.kind == SourceFate::Removed)
        words += fate.recordDamaged
            ? wordsOf(damagedRecordProofRows, &ProofRow::proof, fate.proof, &ProofRow::words,
                      language)
            : wordsOf(proofRows, &ProofRow::proof, fate.proof, &ProofRow::words, language);
    return words;
}

QString checkWords(const OutputCheck &check, Language language)
{
    const QString damage = wordsOf(checkDamageRows, &ProblemRow::kind, check.problem.kind,
                                   &ProblemRow::words, language);
    const QString problem = damage.isEmpty()
        ? problemWords(check.problem, language)
        : fill(damage, problemArguments(check.problem, language));
    return fill(wordsOf(checkRows, &CheckRow::verdict, check.verdict, &CheckRow::words, language),
                { { QStringLiteral("problem"), problem } });
}

QString roleWords(const RunReport::Entry &entry, Language language)
{
    const SourceFate fate(entry.role == RunReport::RemovalFailed ? SourceFate::RemovalFailed
                                                                 : SourceFate::Kept,
                          entry.problem);
    return fill(
        wordsOf(roleRows, &RoleRow::role, entry.role, &RoleRow::words, language),
        { { QStringLiteral("outcome"), outcomeWords(entry.outcome, entry.problem, language) },
          { QStringLiteral("problem"), problemWords(entry.problem, language) },
          { QStringLiteral("fate"), fateWords(fate, language) },
          { QStringLiteral("file"), QFileInfo(entry.earlierOutput).fileName() } });
}

QString roleCount(RunReport::Role role, int count, Language language)
{
    return countWords(wordsOf(roleRows, &RoleRow::role, role, &RoleRow::count, language), count);
}

QString chineseReport(const RunReport &report)
{
    // The three counts always, the others when there are any: the same as the console's.
    QStringList counts;
    for (const OutcomeRow &row : outcomeRows) {
        const int count = report.count(row.outcome);
        const bool always = row.outcome == ItemResult::Converted
            || row.outcome == ItemResult::Skipped || row.outcome == ItemResult::Failed;
        if (always || count > 0)
            counts << outcomeCount(row.outcome, count, Language::Chinese);
    }
    for (const RunReport::Role role :
         { RunReport::SourcesKept, RunReport::RemovalFailed, RunReport::WalkProblem }) {
        if (const int count = report.count(role))
            counts << roleCount(role, count, Language::Chinese);
    }
    QStringList lines { counts.join(QStringLiteral("，")) + QStringLiteral("。") };
    for (const RunReport::Entry &entry : report.entries) {
        const QString words = roleWords(entry, Language::Chinese);
        lines << (entry.outputName.isEmpty() ? words
                                             : entry.outputName + QStringLiteral("：") + words);
    }
    return lines.join(QLatin1Char('\n'));
}
