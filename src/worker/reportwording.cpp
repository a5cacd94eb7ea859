// SPDX-License-Identifier: MIT
#include "reportwording.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include "outputnaming.h"

namespace {

// A row per kind. In the texts, {name} stands for an argument (see problemArguments), and a
// part in [brackets] is left out when an argument in it is empty.
struct Row
{
    Problem::Kind kind;
    const char *chinese;
    const char *english;
};

const Row rows[] = {
    { Problem::None, "", "" },
    { Problem::FfmpegNotFound, "未找到 ffmpeg", "ffmpeg was not found" },
    { Problem::FfmpegFailedToStart, "无法启动 ffmpeg：{detail}",
      "ffmpeg could not be started: {detail}" },
    { Problem::FfmpegCrashed, "ffmpeg 崩溃", "ffmpeg crashed" },
    { Problem::FfmpegExited, "ffmpeg 退出码 {code}[：{detail}]",
      "ffmpeg exited with code {code}[: {detail}]" },
    { Problem::Stopped, "已停止", "stopped" },
    { Problem::NoOutput, "ffmpeg 没有生成输出文件", "ffmpeg wrote no output" },
    { Problem::OutputDamaged, "输出文件已损坏，读不出视频流和音频流，已删除；源文件已保留",
      "the output is damaged (no readable video and audio stream) and was removed; the sources "
      "were kept" },
    { Problem::OutputDamagedDiskFull,
      "输出文件已损坏，磁盘空间几乎用完，可能是磁盘已满；已删除损坏的文件，源文件已保留",
      "the output is damaged, most likely because the disk is full; it was removed and the "
      "sources were kept" },
    { Problem::NoFreeName, "从 {file} 起的 1000 个文件名都已被占用",
      "the name {file} and its 999 numbered choices are all taken" },
    { Problem::TemporaryNameBlocked, "临时文件名 {file} 被占用，且无法删除",
      "the temporary name {path} is taken by something that cannot be removed" },
    { Problem::RenameRefused, "无法把临时文件改名为 {file}",
      "the finished output could not be given its name {path}" },
    { Problem::MediaUnreadable, "无法读取 {file}", "{path} cannot be read" },
    { Problem::NotMedia, "{file} 不是可读取的视频文件", "{path} is not a video file it can read" },
    { Problem::StreamMissing, "输出缺少{stream}流", "the output has no {stream} stream" },
    { Problem::SourceDurationUnknown, "无法读取源{stream}的时长",
      "the length of the source {stream} is unknown" },
    { Problem::OutputDurationUnknown, "无法读取输出{stream}的时长",
      "the length of the output {stream} is unknown" },
    { Problem::DurationShort,
      "输出{stream}时长 {output} 秒，源文件为 {source} 秒，源文件可能未下载完整",
      "the output {stream} lasts {output} s, its source {source} s (an unfinished download?)" },
    { Problem::FallbackName, "无法读取 entry.json，输出使用了共用的默认名 {fallback}",
      "entry.json could not be read, so the output has the shared name {fallback}" },
    { Problem::OutputOfAnotherVideo, "输出文件是本项的另一个视频生成的",
      "the output was made from another video of this item" },
    { Problem::OutputUntagged, "已有的输出文件不是本程序为此项生成的，无法确认它的来源",
      "the existing output was not made by Vantoro from this item, so whose it is cannot be told" },
    { Problem::LinkOnTheWay, "路径中有链接，为安全起见未删除：{path}",
      "a link stands on the way ({path}), so nothing was removed" },
    { Problem::FlushFailed, "无法确认输出已写入磁盘（{path}：{detail}），为安全起见未删除",
      "the output could not be put safely on the disk ({path}: {detail}), so nothing was removed" },
    { Problem::RemovalFailed, "无法删除 {path}", "{path} could not be removed" },
    { Problem::EntryNotRegular, "entry.json 不是普通文件，使用了默认名",
      "entry.json is not a plain file, so the fallback name was used" },
    { Problem::EntryTooLarge, "entry.json 超过 1 MiB，使用了默认名",
      "entry.json is larger than 1 MiB, so the fallback name was used" },
    { Problem::StreamNotRegular, "{path} 不是普通文件", "{path} is not a plain file" },
    { Problem::RootUnreadable, "所选文件夹不存在或无法打开：{path}",
      "the folder does not exist or cannot be opened: {path}" },
    { Problem::FolderUnreadable, "无法读取文件夹，其中的视频未处理：{path}",
      "a folder cannot be read, its items were left out: {path}" },
    { Problem::PathTooLong, "路径太长，无法打开，其中的视频未处理：{path}",
      "a path is too long to open, its items were left out: {path}" },
};

// The values the texts may name, put into words for the language.
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

QString counts(const RunReport &report)
{
    QString line = QStringLiteral("转换成功 %1 个，已存在而跳过 %2 个，失败 %3 个")
                       .arg(report.count(ItemResult::Converted))
                       .arg(report.count(ItemResult::Skipped))
                       .arg(report.count(ItemResult::Failed));
    if (const int incomplete = report.count(ItemResult::Incomplete))
        line += QStringLiteral("，不完整 %1 个").arg(incomplete);
    if (const int passed = report.count(ItemResult::Passed))
        line += QStringLiteral("，因另一转换仍在进行而未处理 %1 个").arg(passed);
    if (const int locked = report.count(ItemResult::Locked))
        line += QStringLiteral("，正由另一次转换处理 %1 个").arg(locked);
    return line + QStringLiteral("。");
}

QString entryLine(const RunReport::Entry &entry)
{
    const QString words = problemWords(entry.problem, Language::Chinese);
    const QString &name = entry.outputName;
    switch (entry.role) {
    case RunReport::ItemFailed:
    case RunReport::NameFallback:
        return QStringLiteral("%1：%2").arg(name, words);
    case RunReport::ItemIncomplete:
        return QStringLiteral("%1：已保留不完整的输出，源文件未删除（%2）").arg(name, words);
    case RunReport::ItemPassed:
        return QStringLiteral("%1：另一个转换仍在进行，此项未处理").arg(name);
    case RunReport::ItemLocked:
        return QStringLiteral("%1：正由另一次转换处理，此项未处理，请稍后再试").arg(name);
    case RunReport::SourcesKept:
        return QStringLiteral("%1：已转换，但保留了源文件（%2）").arg(name, words);
    case RunReport::RemovalFailed:
        return QStringLiteral("%1：已转换，但删除源文件失败（%2）").arg(name, words);
    case RunReport::WalkProblem:
        return words;
    case RunReport::EarlierOutputKept:
        return QStringLiteral("%1：下载完成后已重新转换；下载完成前转换的 %2 仍保留")
            .arg(name, QFileInfo(entry.problem.path).fileName());
    }
    return words;
}

} // namespace

QString problemWords(const Problem &problem, Language language)
{
    for (const Row &row : rows) {
        if (row.kind == problem.kind)
            return fill(
                QString::fromUtf8(language == Language::Chinese ? row.chinese : row.english),
                problemArguments(problem, language));
    }
    return QString();
}

QString chineseReport(const RunReport &report)
{
    QStringList lines { counts(report) };
    for (const RunReport::Entry &entry : report.entries)
        lines << entryLine(entry);
    return lines.join(QLatin1Char('\n'));
}
