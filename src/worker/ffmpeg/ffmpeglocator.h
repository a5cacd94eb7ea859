// SPDX-License-Identifier: MIT
#ifndef FFMPEGLOCATOR_H
#define FFMPEGLOCATOR_H

#include <QString>

// The ffmpeg that ships with the program: ffmpeg/bin/ffmpeg(.exe) below the program's folder.
QString bundledFfmpegPath(const QString &applicationDir);

// The bundled ffmpeg when it is there, else the one on PATH; empty when there is none.
QString locateFfmpeg(const QString &applicationDir);

#endif // FFMPEGLOCATOR_H
