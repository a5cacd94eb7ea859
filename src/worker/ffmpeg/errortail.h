// SPDX-License-Identifier: MIT
#ifndef ERRORTAIL_H
#define ERRORTAIL_H

#include <QByteArray>
#include <QString>

// Keeps only the end of what a child process writes, so a long conversion cannot grow memory.
class ErrorTail
{
public:
    explicit ErrorTail(int capacity = 4096) : capacity(capacity) { }

    void append(const QByteArray &data);
    // The last non-empty line (ffmpeg ends progress lines with a carriage return).
    QString lastLine() const;
    int size() const { return tail.size(); }
    // True when the kept end holds the words.
    bool contains(const char *words) const { return tail.contains(words); }

private:
    int capacity;
    QByteArray tail;
};

#endif // ERRORTAIL_H
