// SPDX-License-Identifier: MIT
#include "output/sourcetag.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include "media/mediapackets.h"

namespace {

const QLatin1String tagPrefix("vantoro-source:1;item=");
// Added to the tag of an output whose streams were copied, not encoded again.
const QLatin1String copiedField(";made=copy");
// Last of all: ";sums=v<count><run sums>a<count><run sums>", each number in hex of 8 digits.
const QLatin1String sumsPrefix(";sums=");
constexpr int hexDigits = 8;

QString hex(quint64 value)
{
    return QStringLiteral("%1").arg(value, hexDigits, 16, QLatin1Char('0'));
}

QString streamSums(QChar kind, const TaggedStream &stream)
{
    QString text = kind + hex(quint64(stream.count));
    for (int run = 0; run < checksumRuns; ++run)
        text += hex(size_t(run) < stream.runSums.size() ? stream.runSums.at(size_t(run)) : 0);
    return text;
}

// Reads one stream's part of the field from at; false when it is not there whole.
bool readStreamSums(const QString &field, int *at, QChar kind, TaggedStream *stream)
{
    const int length = 1 + hexDigits * (1 + checksumRuns);
    if (field.mid(*at, 1) != kind || field.size() < *at + length)
        return false;
    bool number = false;
    stream->count = field.mid(*at + 1, hexDigits).toLongLong(&number, 16);
    for (int run = 0; number && run < checksumRuns; ++run)
        stream->runSums.push_back(
            field.mid(*at + 1 + hexDigits * (1 + run), hexDigits).toUInt(&number, 16));
    *at += length;
    return number;
}

// True when the runs of a stream agree with its count of packets: packet i of n is in run
// i * runs / n, so a run no packet falls in holds the Adler-32 of nothing, and every checksum
// is one an Adler-32 can be (each half below 65521).
bool runsAgree(const TaggedStream &stream)
{
    constexpr quint32 adlerBase = 65521;
    const qint64 n = stream.count;
    for (int run = 0; run < checksumRuns; ++run) {
        const quint32 sum = stream.runSums.at(size_t(run));
        if ((sum & 0xffff) >= adlerBase || (sum >> 16) >= adlerBase)
            return false;
        // The first packet at or after the run's start, and whether it still falls in it (which
        // also tells that there is such a packet: it is below n).
        const qint64 first = (qint64(run) * n + checksumRuns - 1) / checksumRuns;
        const bool holdsPackets = first * checksumRuns < qint64(run + 1) * n;
        if (!holdsPackets && sum != 1)
            return false;
    }
    return true;
}

// The tag without the field of its checksums, which says nothing of whose it is.
QString withoutSums(const QString &tag)
{
    const int at = tag.indexOf(sumsPrefix);
    return at < 0 ? tag : tag.left(at);
}
constexpr qint64 sampleBytes = 64 * 1024;

// Feeds the hash with the first and the last 64 KiB of the file; false when it cannot be read.
bool addSamples(QCryptographicHash &hash, const QString &path, qint64 *size)
{
    // Opening a pipe would wait for a writer that never comes.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *size = file.size();
    hash.addData(file.read(sampleBytes));
    if (*size > sampleBytes) {
        if (!file.seek(qMax(sampleBytes, *size - sampleBytes)))
            return false;
        hash.addData(file.read(sampleBytes));
    }
    return true;
}

QString encoded(const QString &name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name, QByteArray(), "~"));
}

// "<prefix><item>;folder=<folder>": the fields that name the video, before its streams'. Percent-
// encoded, so the folder names can hold neither the separators nor anything a metadata reader
// might escape when it gives the tag back.
QString videoFields(const QString &itemFolder, const QString &videoFolder)
{
    return tagPrefix + encoded(QFileInfo(itemFolder).fileName()) + QStringLiteral(";folder=")
        + encoded(QFileInfo(videoFolder).fileName());
}

} // namespace

QString sourceTag(const QString &itemFolder, const QString &videoFolder, const QString &videoFile,
                  const QString &audioFile)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 videoSize = 0;
    qint64 audioSize = 0;
    if (!addSamples(hash, videoFile, &videoSize) || !addSamples(hash, audioFile, &audioSize))
        return QString();
    return videoFields(itemFolder, videoFolder)
        + QStringLiteral(";video=%1;audio=%2;sha256=%3")
              .arg(videoSize)
              .arg(audioSize)
              .arg(QString::fromLatin1(hash.result().toHex().left(32)));
}

QString copiedTag(const QString &tag)
{
    return tag + copiedField;
}

bool tagSaysCopied(const QString &tag)
{
    return tag.startsWith(tagPrefix) && withoutSums(tag).endsWith(copiedField);
}

QString withReservedSums(const QString &tag)
{
    return tag + reservedSums();
}

QString reservedSums()
{
    return sumsField(TaggedSums());
}

QString sumsField(const TaggedSums &sums)
{
    return sumsPrefix + streamSums(QLatin1Char('v'), sums.video)
        + streamSums(QLatin1Char('a'), sums.audio);
}

TaggedSums taggedSums(const QString &tag)
{
    const int start = tag.indexOf(sumsPrefix);
    if (start < 0 || !tag.startsWith(tagPrefix))
        return TaggedSums();
    // The room as ffmpeg wrote it, never filled: nothing recorded.
    if (tag.mid(start) == reservedSums())
        return TaggedSums();
    TaggedSums sums;
    int at = start + sumsPrefix.size();
    if (readStreamSums(tag, &at, QLatin1Char('v'), &sums.video)
        && readStreamSums(tag, &at, QLatin1Char('a'), &sums.audio) && at == tag.size()
        && runsAgree(sums.video) && runsAgree(sums.audio))
        return sums;
    TaggedSums damaged;
    damaged.damaged = true;
    return damaged;
}

QString sourceTagKey()
{
    return QStringLiteral("comment");
}

TagRelation relateTags(const QString &ownTag, const QString &foundTag)
{
    if (!foundTag.startsWith(tagPrefix))
        return TagRelation::Untagged;
    // How the output was made, and what its packets hash to, say nothing of whose it is.
    const QString made = withoutSums(foundTag);
    if (made == ownTag || made == copiedTag(ownTag))
        return TagRelation::Same;
    // "<prefix><item>;folder=<folder>;video=…": the fields before the sizes name the video.
    const QStringList own = ownTag.split(QLatin1Char(';'));
    const QStringList found = foundTag.split(QLatin1Char(';'));
    if (own.value(1) != found.value(1))
        return TagRelation::OtherItem;
    if (own.value(2) != found.value(2))
        return TagRelation::OtherVideoOfItem;
    return TagRelation::EarlierSources;
}

bool tagNamesVideo(const QString &tag, const QString &itemFolder, const QString &videoFolder)
{
    return tag.startsWith(videoFields(itemFolder, videoFolder) + QLatin1Char(';'));
}

bool tagNamesItem(const QString &tag, const QString &itemFolder)
{
    return tag.startsWith(tagPrefix + encoded(QFileInfo(itemFolder).fileName())
                          + QStringLiteral(";folder="));
}

QString taggedVideoFolderName(const QString &tag)
{
    if (!tag.startsWith(tagPrefix))
        return QString();
    const QString field = tag.section(QLatin1Char(';'), 2, 2);
    if (!field.startsWith(QLatin1String("folder=")))
        return QString();
    return QUrl::fromPercentEncoding(field.mid(int(qstrlen("folder="))).toLatin1());
}

qint64 taggedStreamSize(const QString &tag, bool video)
{
    const QString field = video ? QStringLiteral("video=") : QStringLiteral("audio=");
    for (const QString &part : tag.split(QLatin1Char(';'))) {
        if (part.startsWith(field)) {
            bool number = false;
            const qint64 size = part.mid(field.size()).toLongLong(&number);
            return number ? size : -1;
        }
    }
    return -1;
}
