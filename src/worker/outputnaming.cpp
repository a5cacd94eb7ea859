// SPDX-License-Identifier: MIT
// How an item's output file is named from the text of its entry.json.
#include "filenamelimits.h"
#include "threadobject.h"

#include <QDebug>
#include <QFile>
#include <QRegExp>
#include <QtGlobal>

namespace {

const QString fallbackName = QStringLiteral("destname.mp4");

// qrand() is deprecated in Qt 5.15, but its unseeded per-thread sequence is what names
// without a title have always been numbered by, so it stays.
int nextNameNumber()
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    return qrand();
    QT_WARNING_POP
}

} // namespace

QString ThreadObject::getNameFromJson(const QString &entryJsonPath)
{
    qDebug() << "\n getNameFromJson " << entryJsonPath;
    if (!QFile::exists(entryJsonPath))
        return fallbackName;
    QFile file(entryJsonPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fallbackName;

    // Decoding stops at the first zero byte.
    const QString text = QString::fromUtf8(file.readAll().constData());

    const QLatin1String subtitleMarker("\"download_subtitle\":");
    int begin = text.indexOf(subtitleMarker);
    const int end = text.indexOf(QLatin1String("}}"));
    QString name;
    if (begin != -1) {
        begin += subtitleMarker.size() + 1; // one past the colon: skips the opening quote
        qDebug() << "\n begin11: " << begin << "end11: " << end;
        name = text.mid(begin, end - begin);
    } else {
        const QLatin1String titleMarker("\"title\":");
        const int title = text.indexOf(titleMarker);
        if (title != -1)
            name = text.mid(title + titleMarker.size(), 6);
        name += QString::number(nextNameNumber());
    }
    qDebug() << "\n fileContent: " << name;
    fileNameAdjust(name);
    name += QLatin1String(".mp4");
    name.remove(QLatin1Char(' '));
    file.close();
    return limitFileNameLength(name);
}

void ThreadObject::fileNameAdjust(QString &name)
{
    // Besides the classic eight, the vertical bar and the control characters are refused by
    // Windows, and a line feed taken from entry.json would make the output impossible to create.
    static const QRegExp illegal(QStringLiteral("[\\\\/:*?\"<>|\\x0001-\\x001f]"));
    for (;;) {
        qDebug() << " fileNameAdjust ";
        if (name.isEmpty())
            return;
        const int at = illegal.indexIn(name);
        if (at < 0)
            return;
        name.remove(at, 1);
        qDebug() << " fileNameAdjust  is_legal! ";
    }
}
