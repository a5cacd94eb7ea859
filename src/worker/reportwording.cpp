// SPDX-License-Identifier: MIT
#include "reportwording.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QString streamName(Problem::Stream stream)
{
    return stream == Problem::Video ? QStringLiteral("视频") : QStringLiteral("音频");
}

QString seconds(double value)
{
    return QString::number(value, 'f', 1);
}

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString counts(const RunReport &report)
{
    QString line = QStringLiteral("转换成功 %1 个，已存在而跳过 %2 个，失败 %3 个")
                       .arg(report.converted)
                       .arg(report.skipped)
                       .arg(report.failed);
    if (report.incomplete > 0)
        line += QStringLiteral("，不完整 %1 个").arg(report.incomplete);
    return line + QStringLiteral("。");
}

} // namespace

QString chineseProblem(const Problem &problem)
{
    switch (problem.kind) {
    case Problem::None:
        return QString();
    case Problem::FfmpegNotFound:
        return QStringLiteral("未找到 ffmpeg");
    case Problem::FfmpegFailedToStart:
        return QStringLiteral("无法启动 ffmpeg：%1").arg(problem.detail);
    case Problem::FfmpegCrashed:
        return QStringLiteral("ffmpeg 崩溃");
    case Problem::FfmpegExited:
        return problem.detail.isEmpty()
            ? QStringLiteral("ffmpeg 退出码 %1").arg(problem.exitCode)
            : QStringLiteral("ffmpeg 退出码 %1：%2").arg(problem.exitCode).arg(problem.detail);
    case Problem::Stopped:
        return QStringLiteral("已停止");
    case Problem::NoOutput:
        return QStringLiteral("ffmpeg 没有生成输出文件");
    case Problem::OutputDamaged:
        return problem.lowDiskSpace
            ? QStringLiteral("输出文件已损坏，磁盘空间几乎用完，可能是磁盘已满；源文件已保留")
            : QStringLiteral("输出文件已损坏，读不出视频流和音频流；源文件已保留");
    case Problem::RenameFailed:
        return QStringLiteral("无法把临时文件改名为 %1").arg(fileName(problem.path));
    case Problem::FfprobeNotFound:
        return QStringLiteral("未找到 ffprobe，无法校验输出文件");
    case Problem::ProbeFailed:
        return QStringLiteral("ffprobe 无法读取 %1").arg(fileName(problem.path));
    case Problem::StreamMissing:
        return QStringLiteral("输出缺少%1流").arg(streamName(problem.stream));
    case Problem::SourceDurationUnknown:
        return QStringLiteral("无法读取源%1的时长").arg(streamName(problem.stream));
    case Problem::OutputDurationUnknown:
        return QStringLiteral("无法读取输出%1的时长").arg(streamName(problem.stream));
    case Problem::DurationShort:
        return QStringLiteral("输出%1时长 %2 秒，源文件为 %3 秒，源文件可能未下载完整")
            .arg(streamName(problem.stream), seconds(problem.outputSeconds),
                 seconds(problem.sourceSeconds));
    case Problem::FallbackName:
        return QStringLiteral("无法读取 entry.json，输出使用了共用的默认名");
    case Problem::OutputOfAnotherItem:
        return QStringLiteral("输出文件是本项的另一个视频或本次另一项生成的");
    case Problem::OutputUntagged:
        return QStringLiteral("已有的输出文件不是本程序为此项生成的，无法确认它的来源");
    case Problem::RemovalFailed:
        return QStringLiteral("无法删除 %1").arg(problem.path);
    case Problem::LinkOnTheWay:
        return QStringLiteral("路径中有链接，为安全起见未删除：%1").arg(problem.path);
    case Problem::EntryNotRegular:
        return QStringLiteral("entry.json 不是普通文件，使用了默认名");
    case Problem::EntryTooLarge:
        return QStringLiteral("entry.json 超过 1 MiB，使用了默认名");
    case Problem::StreamNotRegular:
        return QStringLiteral("%1 不是普通文件").arg(problem.path);
    case Problem::RootUnreadable:
        return QStringLiteral("所选文件夹不存在或无法打开：%1").arg(problem.path);
    case Problem::FolderUnreadable:
        return QStringLiteral("无法读取文件夹，其中的视频未处理：%1").arg(problem.path);
    case Problem::PathTooLong:
        return QStringLiteral("路径太长，无法打开，其中的视频未处理：%1").arg(problem.path);
    }
    return QString();
}

QString chineseReport(const RunReport &report)
{
    QStringList lines { counts(report) };
    for (const RunReport::Entry &entry : report.entries) {
        const QString words = chineseProblem(entry.problem);
        switch (entry.role) {
        case RunReport::ItemFailed:
            lines << QStringLiteral("%1：%2").arg(entry.outputName, words);
            break;
        case RunReport::ItemIncomplete:
            lines << QStringLiteral("%1：已保留不完整的输出，源文件未删除（%2）")
                         .arg(entry.outputName, words);
            break;
        case RunReport::SourcesKept:
            lines
                << QStringLiteral("%1：已转换，但保留了源文件（%2）").arg(entry.outputName, words);
            break;
        case RunReport::RemovalFailed:
            lines << QStringLiteral("%1：已转换，但删除源文件失败（%2）")
                         .arg(entry.outputName, words);
            break;
        case RunReport::NameFallback:
            lines << QStringLiteral("%1：%2").arg(entry.outputName, words);
            break;
        case RunReport::WalkProblem:
            lines << words;
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}
