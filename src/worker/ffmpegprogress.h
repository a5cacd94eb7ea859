// SPDX-License-Identifier: MIT
#ifndef FFMPEGPROGRESS_H
#define FFMPEGPROGRESS_H

#include <QByteArray>

// How far a conversion has got, as ffmpeg itself tells it; below zero is unknown.
struct ConversionProgress
{
    double durationSeconds = -1; // of the first input, the video
    double positionSeconds = -1; // how much of it is written
    double speed = -1; // media seconds per second of wall time

    // 0 to 100, or -1 while the duration or the position is unknown.
    int percent() const;
    // Seconds of wall time until this conversion ends, or -1 when that cannot be told yet.
    double secondsLeft() const;
};

// Reads ffmpeg's error channel as it comes: the "Duration:" of the first input, and the
// "time=" and "speed=" of its status lines. A new "Input #0" starts over.
class FfmpegProgressParser
{
public:
    void feed(const QByteArray &data);
    ConversionProgress progress() const { return current; }

private:
    void readLine(const QByteArray &line);

    QByteArray unfinished;
    ConversionProgress current;
    bool inFirstInput = false;
};

#endif // FFMPEGPROGRESS_H
