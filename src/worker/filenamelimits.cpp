// SPDX-License-Identifier: MIT
#include "filenamelimits.h"

QString limitFileNameLength(const QString &name)
{
    if (name.toUtf8().size() <= maxFileNameBytes)
        return name;
    const QLatin1String suffix(".mp4");
    const bool hasSuffix = name.endsWith(suffix);
    QString stem = hasSuffix ? name.left(name.size() - suffix.size()) : name;
    const QString ending = hasSuffix ? QString(suffix) : QString();
    const int budget = maxFileNameBytes - ending.toUtf8().size();
    int bytes = 0;
    int keep = 0;
    while (keep < stem.size()) {
        // A surrogate pair is one character: never keep half of it.
        const int width = stem.at(keep).isHighSurrogate() && keep + 1 < stem.size() ? 2 : 1;
        const int size = stem.midRef(keep, width).toUtf8().size();
        if (bytes + size > budget)
            break;
        bytes += size;
        keep += width;
    }
    stem.truncate(keep);
    return stem + ending;
}
