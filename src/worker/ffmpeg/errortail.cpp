// SPDX-License-Identifier: MIT
#include "ffmpeg/errortail.h"

#include <QRegularExpression>
#include <QStringList>

void ErrorTail::append(const QByteArray &data)
{
    tail += data;
    if (tail.size() > capacity)
        tail.remove(0, tail.size() - capacity);
}

QString ErrorTail::lastLine() const
{
    static const QRegularExpression lineEnd(QStringLiteral("[\\r\\n]"));
    const QStringList lines = QString::fromUtf8(tail).split(lineEnd);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString trimmed = line->trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return QString();
}
