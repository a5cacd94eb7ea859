// SPDX-License-Identifier: MIT
// Shows the window in the middle of a conversion and saves a picture of the screen.
// Run under a real X server (see scripts/screenshot.sh); the conversion is played by the
// ffmpeg stand-in, which never finishes, so the picture catches the converting state.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "cachebuilder.h"
#include "folderchooser.h"
#include "scopedenvironment.h"
#include "widget.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: vantoro_screenshot OUTPUT.png\n");
        return 2;
    }
    // Each conversion job moves the current folder to the program's, so pin the path first.
    const QString output = QFileInfo(app.arguments().at(1)).absoluteFilePath();

    QTemporaryDir cache;
    CacheBuilder::writeFile(cache.filePath(QStringLiteral("下载/1/64/video.m4s")), "v");
    CacheBuilder::writeFile(cache.filePath(QStringLiteral("下载/1/64/audio.m4s")), "a");
    CacheBuilder::writeFile(
        cache.filePath(QStringLiteral("下载/1/entry.json")),
        CacheBuilder::entryJson(QStringLiteral("第3集 城市夜景 The City at Night")));
    FakeFfmpegOnPath fake("hang");

    Widget window;
    window.move(0, 0);
    window.show();
    QTimer::singleShot(500, &window, [&] {
        answerNextFolderChooser(cache.filePath(QStringLiteral("下载")));
        window.findChild<QPushButton *>(QStringLiteral("pushButtonStart"))->click();
    });
    int result = 1;
    QTimer::singleShot(3000, &window, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window.winId());
        result = shot.save(output) ? 0 : 1;
        std::printf("%s %s (%dx%d)\n", result == 0 ? "wrote" : "could not write",
                    qPrintable(output), shot.width(), shot.height());
        window.close();
    });
    app.exec();
    return result;
}
