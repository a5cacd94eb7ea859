// SPDX-License-Identifier: MIT
#include "output/outputnaming.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>

#include <random>
#include <utility>

#if QT_VERSION_MAJOR < 6
// Deprecated since Qt 5.15 and hidden from its headers by QT_DISABLE_DEPRECATED_BEFORE, but
// still part of QtCore 5.
Q_CORE_EXPORT int qrand();
#endif

const QString fallbackOutputName = QStringLiteral("destname.mp4");

namespace {

// The classic eight, and besides them the vertical bar and the control characters, which
// Windows refuses too; a line feed taken from entry.json would make the output impossible.
bool isForbidden(QChar c)
{
    switch (c.unicode()) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return c.unicode() <= 0x1f;
    }
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The code unit of "\uXXXX" at position at, or -1 when there is none.
int unicodeEscapeAt(const QString &text, int at)
{
    if (at + 6 > text.size() || text.at(at) != QLatin1Char('\\')
        || text.at(at + 1) != QLatin1Char('u'))
        return -1;
    int value = 0;
    for (int i = at + 2; i < at + 6; ++i) {
        const int digit = hexValue(text.at(i));
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

bool readEntryText(const QString &path, QString *text, Problem *problem)
{
    *problem = Problem();
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    // A pipe would block the run for good, a device would never end: only plain files count.
    if (!info.isFile()) {
        *problem = Problem(Problem::EntryNotRegular, path);
        return false;
    }
    if (info.size() > maxEntryJsonBytes) {
        *problem = Problem(Problem::EntryTooLarge, path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // The size may have changed since it was looked at: never read more than the limit.
    const QByteArray bytes = file.read(maxEntryJsonBytes + 1);
    if (bytes.size() > maxEntryJsonBytes) {
        *problem = Problem(Problem::EntryTooLarge, path);
        return false;
    }
    *text = QString::fromUtf8(bytes.constData()); // decoding stops at the first zero byte
    return true;
}

SubtitleMarkers findSubtitle(const QString &text)
{
    static const QLatin1String subtitleMarker("\"download_subtitle\":");
    SubtitleMarkers markers;
    const int at = text.indexOf(subtitleMarker);
    if (at != -1)
        markers.begin = at + subtitleMarker.size() + 1; // one past the colon: the opening quote
    markers.end = text.indexOf(QLatin1String("}}"));
    return markers;
}

QString decodeJsonEscapes(const QString &text, int from, int length, int maxCharacters)
{
    const int end = length < 0 || from + length > text.size() ? text.size() : from + length;
    QString decoded;
    int at = qMax(0, from);
    while (at < end && (maxCharacters < 0 || decoded.size() < maxCharacters)) {
        const QChar c = text.at(at);
        const QChar next = at + 1 < end ? text.at(at + 1) : QChar();
        if (c != QLatin1Char('\\') || next.isNull()) {
            decoded += c;
            ++at;
            continue;
        }
        static const QString simple = QStringLiteral("\"\\/bfnrt");
        static const QString meant = QStringLiteral("\"\\/\b\f\n\r\t");
        const int which = simple.indexOf(next);
        if (which >= 0) {
            decoded += meant.at(which);
            at += 2;
            continue;
        }
        const int unit = at + 6 <= end ? unicodeEscapeAt(text, at) : -1;
        if (unit < 0) { // not an escape JSON knows: the text stays as it is
            decoded += c;
            ++at;
            continue;
        }
        at += 6;
        const int low = at + 6 <= end ? unicodeEscapeAt(text, at) : -1;
        if (QChar::isHighSurrogate(uint(unit)) && QChar::isLowSurrogate(uint(low))) {
            decoded += QChar(unit);
            decoded += QChar(low);
            at += 6;
        } else if (QChar::isSurrogate(uint(unit))) {
            decoded += QChar(QChar::ReplacementCharacter); // half a pair names nothing
        } else {
            decoded += QChar(unit);
        }
    }
    return decoded;
}

QString rawNameFromEntry(const QString &text, const SubtitleMarkers &markers, int number)
{
    if (markers.begin != -1)
        return decodeJsonEscapes(text, markers.begin, markers.end - markers.begin);
    static const QLatin1String titleMarker("\"title\":");
    QString name;
    const int title = text.indexOf(titleMarker);
    if (title != -1)
        name = decodeJsonEscapes(text, title + titleMarker.size(), -1, 6);
    return name + QString::number(number);
}

int removeForbiddenCharacters(QString &name)
{
    int kept = 0;
    for (const QChar c : std::as_const(name)) {
        if (!isForbidden(c))
            name[kept++] = c;
    }
    const int removed = name.size() - kept;
    name.truncate(kept);
    return removed;
}

QString finishOutputName(const QString &filteredName)
{
    QString name = filteredName + QLatin1String(".mp4");
    name.remove(QLatin1Char(' '));
    // A leading dot hides a file on Linux and macOS, and the hidden file may be all that is left
    // of a video once its sources are gone; an empty stem would be only the suffix.
    if (name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    name = limitFileNameLength(name);
    // On Windows "CON.mp4" or "nul.x.mp4" is a device, not a file: what is written there is lost.
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(?=\\.)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = device.match(name);
    if (match.hasMatch())
        name.insert(match.capturedEnd(), QLatin1Char('_'));
    return name;
}

QString limitFileNameLength(const QString &name)
{
    if (name.toUtf8().size() <= maxFileNameBytes)
        return name;
    const QLatin1String suffix(".mp4");
    const bool hasSuffix = name.endsWith(suffix);
    QString stem = hasSuffix ? name.left(name.size() - suffix.size()) : name;
    const QString ending = hasSuffix ? QString(suffix) : QString();
    const int budget = maxFileNameBytes - ending.toUtf8().size();
    int bytes = 0;
    int keep = 0;
    while (keep < stem.size()) {
        // A surrogate pair is one character: never keep half of it.
        const int width = stem.at(keep).isHighSurrogate() && keep + 1 < stem.size() ? 2 : 1;
        const int size = stem.mid(keep, width).toUtf8().size();
        if (bytes + size > budget)
            break;
        bytes += size;
        keep += width;
    }
    stem.truncate(keep);
    return stem + ending;
}

QString outputNameFromText(const QString &text, int number)
{
    const SubtitleMarkers markers = findSubtitle(text);
    QString name = rawNameFromEntry(text, markers, markers.begin == -1 ? number : 0);
    removeForbiddenCharacters(name);
    return finishOutputName(name);
}

int nextNameNumber()
{
#if QT_VERSION_MAJOR < 6
    // qrand()'s unseeded per-thread sequence is what names without a subtitle have always been
    // numbered by, so Qt 5 builds keep calling it.
    return qrand();
#elif defined(Q_OS_WIN)
    // Qt 6 has no qrand(); on Windows it was the C runtime's rand(), unseeded and per thread.
    thread_local quint32 state = 1;
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7fff);
#else
    // Elsewhere qrand() was a per-thread std::minstd_rand from its default seed.
    thread_local std::minstd_rand generator;
    return int(generator());
#endif
}

EntryName nameFromEntry(const QString &entryJsonPath)
{
    qDebug() << "\n getNameFromJson " << entryJsonPath;
    EntryName entry;
    QString text;
    if (!readEntryText(entryJsonPath, &text, &entry.note)) {
        entry.name = fallbackOutputName;
        return entry;
    }
    const SubtitleMarkers markers = findSubtitle(text);
    if (markers.begin != -1)
        qDebug() << "\n begin11: " << markers.begin << "end11: " << markers.end;
    QString name = rawNameFromEntry(text, markers, markers.begin == -1 ? nextNameNumber() : 0);
    qDebug() << "\n fileContent: " << name;
    adjustFileName(name);
    entry.name = finishOutputName(name);
    return entry;
}

void adjustFileName(QString &name)
{
    // One pass, however many characters go; the lines are those of removing them one by one.
    const int removed = removeForbiddenCharacters(name);
    qDebug() << " fileNameAdjust ";
    for (int i = 0; i < removed; ++i) {
        qDebug() << " fileNameAdjust  is_legal! ";
        qDebug() << " fileNameAdjust ";
    }
}
