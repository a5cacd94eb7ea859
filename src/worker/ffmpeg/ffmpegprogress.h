// SPDX-License-Identifier: MIT
#ifndef FFMPEGPROGRESS_H
#define FFMPEGPROGRESS_H

#include <QByteArray>
#include <QVector>

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

// Reads ffmpeg's error channel as it comes: the "Duration:" of each input, and the "time="
// and "speed=" of its status lines. A new "Input #0" starts over.
class FfmpegProgressParser
{
public:
    void feed(const QByteArray &data);
    ConversionProgress progress() const { return current; }
    // The length ffmpeg read for input n (0 the video, 1 the audio), or -1 when it did not say.
    double inputDuration(int n) const { return inputDurations.value(n, -1); }

private:
    void readLine(const QByteArray &line);

    QByteArray unfinished;
    ConversionProgress current;
    int input = -1; // the input whose description is being read, or -1
    QVector<double> inputDurations;
};

#endif // FFMPEGPROGRESS_H
