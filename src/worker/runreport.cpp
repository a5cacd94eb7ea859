// SPDX-License-Identifier: MIT
#include "runreport.h"

void RunReport::addFailure(const QString &outputName, const QString &reason)
{
    ++failed;
    lines << QStringLiteral("%1：%2").arg(outputName, reason);
}

void RunReport::addKeptSources(const QString &outputName, const QString &reason)
{
    lines << QStringLiteral("%1：已转换，但保留了源文件（%2）").arg(outputName, reason);
}

void RunReport::setMissingRoot(const QString &root)
{
    lines << QStringLiteral("所选文件夹不存在或无法打开：%1").arg(root);
}

QString RunReport::text() const
{
    QStringList all;
    all << QStringLiteral("转换成功 %1 个，已存在而跳过 %2 个，失败 %3 个。")
               .arg(converted)
               .arg(skipped)
               .arg(failed);
    all += lines;
    return all.join(QLatin1Char('\n'));
}
