// SPDX-License-Identifier: MIT
#include "media/mp4comment.h"

#include <QFile>
#include <QtEndian>

namespace {

// An index box larger than this is no index ffmpeg wrote for a cache item.
constexpr qint64 largestIndex = 256 * 1024 * 1024;

struct Box
{
    QByteArray type;
    qint64 start = 0; // where its content begins
    qint64 end = 0; // where it ends
};

// The box that begins at offset within data (of the given length), or one of type "" when
// none does.
Box boxAt(const QByteArray &data, qint64 offset, qint64 end)
{
    Box box;
    if (end - offset < 8)
        return box;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData() + offset);
    qint64 size = qFromBigEndian<quint32>(bytes);
    qint64 header = 8;
    if (size == 1 && end - offset >= 16) {
        size = qint64(qFromBigEndian<quint64>(bytes + 8));
        header = 16;
    } else if (size == 0) {
        size = end - offset; // to the end of its parent
    }
    if (size < header || offset + size > end)
        return box;
    box.type = data.mid(int(offset) + 4, 4);
    box.start = offset + header;
    box.end = offset + size;
    return box;
}

// The child of that type within [start, end) of data; its type is empty when there is none.
Box child(const QByteArray &data, qint64 start, qint64 end, const QByteArray &type)
{
    for (qint64 at = start; at < end;) {
        const Box box = boxAt(data, at, end);
        if (box.type.isEmpty())
            break;
        if (box.type == type)
            return box;
        at = box.end;
    }
    return Box();
}

// Reads the top-level box of that type whole, with where it lies in the file.
bool readTopLevel(QFile &file, const QByteArray &type, QByteArray *content, qint64 *at)
{
    for (qint64 offset = 0; offset + 8 <= file.size();) {
        if (!file.seek(offset))
            return false;
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            return false;
        const auto *bytes = reinterpret_cast<const uchar *>(header.constData());
        qint64 size = qFromBigEndian<quint32>(bytes);
        if (size == 1 && header.size() == 16)
            size = qint64(qFromBigEndian<quint64>(bytes + 8));
        else if (size == 0)
            size = file.size() - offset;
        if (size < 8)
            return false;
        if (header.mid(4, 4) == type) {
            if (size > largestIndex || !file.seek(offset))
                return false;
            *content = file.read(size);
            *at = offset;
            return content->size() == size;
        }
        offset += size;
    }
    return false;
}

} // namespace

bool rewriteComment(const QString &path, const QByteArray &from, const QByteArray &to)
{
    if (from.size() != to.size() || from.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray moov;
    qint64 moovAt = 0;
    if (!readTopLevel(file, QByteArrayLiteral("moov"), &moov, &moovAt))
        return false;
    const qint64 length = moov.size();
    const Box root = boxAt(moov, 0, length);
    const Box udta = child(moov, root.start, root.end, QByteArrayLiteral("udta"));
    const Box meta = child(moov, udta.start, udta.end, QByteArrayLiteral("meta"));
    // meta is a full box: a version and flags come before its children.
    const Box ilst = meta.type.isEmpty()
        ? Box()
        : child(moov, meta.start + 4, meta.end, QByteArrayLiteral("ilst"));
    const Box comment = child(moov, ilst.start, ilst.end,
                              QByteArrayLiteral("\xa9"
                                                "cmt"));
    const Box data = child(moov, comment.start, comment.end, QByteArrayLiteral("data"));
    // The value follows the data box's type indicator and locale.
    const qint64 value = data.start + 8;
    if (data.type.isEmpty() || value > data.end)
        return false;
    const int found = moov.mid(int(value), int(data.end - value)).indexOf(from);
    if (found < 0)
        return false;
    return file.seek(moovAt + value + found) && file.write(to) == to.size() && file.flush();
}
