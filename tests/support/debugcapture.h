// SPDX-License-Identifier: MIT
#ifndef DEBUGCAPTURE_H
#define DEBUGCAPTURE_H

#include <QString>
#include <QStringList>

// Collects every debug line written, from any thread, while it exists (and the warnings,
// which still reach the usual output too).
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines() const;
    // Lines that contain the text.
    QStringList matching(const QString &text) const;
    int count(const QString &text) const { return matching(text).size(); }
    QStringList warnings() const;
    void clear();
};

#endif // DEBUGCAPTURE_H
