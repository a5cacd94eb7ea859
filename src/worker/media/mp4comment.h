// SPDX-License-Identifier: MIT
#ifndef MP4COMMENT_H
#define MP4COMMENT_H

#include <QByteArray>
#include <QString>

// Changes, in place, part of the comment an MP4 file carries in its metadata (the value of
// moov/udta/meta/ilst/©cmt/data, where ffmpeg writes "-metadata comment=…"): the bytes `from`
// become `to`, of the same length, so the file keeps its size and every offset in it. The boxes
// are walked from the top of the file; no search ever looks into the media data. False when
// there is no such comment, it does not hold `from`, or the file cannot be written.
bool rewriteComment(const QString &path, const QByteArray &from, const QByteArray &to);

#endif // MP4COMMENT_H
