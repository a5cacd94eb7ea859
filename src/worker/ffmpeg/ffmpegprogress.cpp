// SPDX-License-Identifier: MIT
#include "ffmpeg/ffmpegprogress.h"

#include <QList>
#include <QtGlobal>

namespace {

// "01:02:03.45" to seconds; -1 for "N/A" or anything else.
double clockSeconds(const QByteArray &text)
{
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 3)
        return -1;
    bool okHours = false;
    bool okMinutes = false;
    bool okSeconds = false;
    const double seconds = parts.at(0).toInt(&okHours) * 3600.0
        + parts.at(1).toInt(&okMinutes) * 60.0 + parts.at(2).toDouble(&okSeconds);
    return okHours && okMinutes && okSeconds && seconds >= 0 ? seconds : -1;
}

// The text after "key=" (or "key: ") up to the next blank or comma, with blanks before it
// skipped, as ffmpeg pads its numbers.
QByteArray valueAfter(const QByteArray &line, const QByteArray &key)
{
    int at = line.indexOf(key);
    if (at < 0)
        return QByteArray();
    at += key.size();
    while (at < line.size() && line.at(at) == ' ')
        ++at;
    int end = at;
    while (end < line.size() && line.at(end) != ' ' && line.at(end) != ',')
        ++end;
    return line.mid(at, end - at);
}

} // namespace

int ConversionProgress::percent() const
{
    if (durationSeconds <= 0 || positionSeconds < 0)
        return -1;
    return qBound(0, int(positionSeconds * 100 / durationSeconds), 100);
}

double ConversionProgress::secondsLeft() const
{
    if (durationSeconds <= 0 || positionSeconds < 0 || speed <= 0)
        return -1;
    return qMax(0.0, durationSeconds - positionSeconds) / speed;
}

void FfmpegProgressParser::feed(const QByteArray &data)
{
    unfinished += data;
    int start = 0;
    for (int i = 0; i < unfinished.size(); ++i) {
        const char c = unfinished.at(i);
        if (c == '\r' || c == '\n') {
            readLine(unfinished.mid(start, i - start));
            start = i + 1;
        }
    }
    unfinished.remove(0, start);
    // A line never ends in a stream gone astray: keep memory bounded all the same.
    if (unfinished.size() > 4096)
        unfinished.clear();
}

void FfmpegProgressParser::readLine(const QByteArray &line)
{
    if (line.startsWith("Input #")) {
        input = valueAfter(line, "Input #").toInt();
        if (input == 0) { // a new conversion starts over
            current = ConversionProgress();
            inputDurations.clear();
        }
        return;
    }
    if (line.startsWith("Output #"))
        input = -1;
    if (input >= 0 && line.trimmed().startsWith("Duration:")) {
        const double seconds = clockSeconds(valueAfter(line, "Duration:"));
        if (inputDurations.size() <= input)
            inputDurations.resize(input + 1);
        inputDurations[input] = seconds;
        if (input == 0)
            current.durationSeconds = seconds;
        return;
    }
    if (line.contains("time=")) {
        const double position = clockSeconds(valueAfter(line, "time="));
        if (position >= 0)
            current.positionSeconds = position;
        const QByteArray speed = valueAfter(line, "speed=");
        bool ok = false;
        const double value = speed.endsWith('x') ? speed.chopped(1).toDouble(&ok) : -1;
        if (ok && value > 0)
            current.speed = value;
    }
}
