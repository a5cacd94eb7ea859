// SPDX-License-Identifier: MIT
// vantoro-list FOLDER: every file below the folder with the streams and length the program's
// own reader finds in it, in columns that stay straight for Chinese names too. The run command
// shows a converted sample cache with it.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QStringList>

#include <utility>

#include "consolewriter.h"
#include "media/mediareader.h"

namespace {

QString describe(const QString &file)
{
    MediaInfo info;
    if (!readMedia(file, &info).isNone())
        return QStringLiteral("not a video");
    QStringList streams;
    if (info.hasVideo)
        streams << QStringLiteral("video");
    if (info.hasAudio)
        streams << QStringLiteral("audio");
    const double seconds = qMax(info.video, info.audio);
    return streams.join(QLatin1Char('+'))
        + (seconds >= 0 ? QStringLiteral(", %1 s").arg(seconds, 0, 'f', 1) : QString());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 || !QFileInfo(arguments.at(1)).isDir()) {
        writeText(stderr, QStringLiteral("Usage: vantoro-list FOLDER\n"));
        return 2;
    }
    const QDir top(arguments.at(1));
    QStringList files;
    QDirIterator walk(top.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext())
        files << top.relativeFilePath(walk.next());
    files.sort();
    int width = 0;
    for (const QString &file : std::as_const(files))
        width = qMax(width, displayWidth(file));
    for (const QString &file : std::as_const(files)) {
        const QString padding(width - displayWidth(file), QLatin1Char(' '));
        writeText(stdout,
                  QStringLiteral("  %1%2  %3\n").arg(file, padding, describe(top.filePath(file))));
    }
    return 0;
}
