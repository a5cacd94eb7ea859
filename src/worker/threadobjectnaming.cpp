// SPDX-License-Identifier: MIT
// The worker's naming members: the steps of the naming unit, with the run's debug lines.
#include "threadobject.h"

#include <QDebug>

#include "outputnaming.h"

QString ThreadObject::getNameFromJson(const QString &entryJsonPath)
{
    Problem ignored;
    return nameForEntry(entryJsonPath, &ignored);
}

QString ThreadObject::nameForEntry(const QString &entryJsonPath, Problem *problem)
{
    qDebug() << "\n getNameFromJson " << entryJsonPath;
    QString text;
    if (!readEntryText(entryJsonPath, &text, problem))
        return fallbackOutputName;

    const SubtitleMarkers markers = findSubtitle(text);
    if (markers.begin != -1)
        qDebug() << "\n begin11: " << markers.begin << "end11: " << markers.end;
    QString name = rawNameFromEntry(text, markers, markers.begin == -1 ? nextNameNumber() : 0);
    qDebug() << "\n fileContent: " << name;
    fileNameAdjust(name);
    return finishOutputName(name);
}

void ThreadObject::fileNameAdjust(QString &name)
{
    // One pass, however many characters go; the lines are those of removing them one by one.
    const int removed = removeForbiddenCharacters(name);
    qDebug() << " fileNameAdjust ";
    for (int i = 0; i < removed; ++i) {
        qDebug() << " fileNameAdjust  is_legal! ";
        qDebug() << " fileNameAdjust ";
    }
}
