// SPDX-License-Identifier: MIT
#ifndef OUTPUTNAMING_H
#define OUTPUTNAMING_H

#include <QString>

#include "records/problem.h"

// How an item's output file is named from the text of its entry.json: the steps, and the whole
// naming of an item with the run's debug lines (the worker's getNameFromJson and fileNameAdjust).

// The name of every item whose entry.json is missing or cannot be read. Such an output never
// proves whose it is, so the clean-up keeps the sources of every item named so.
extern const QString fallbackOutputName;

// entry.json is read only up to this size: a larger file is no description of a download.
constexpr qint64 maxEntryJsonBytes = 1024 * 1024;

// The longest output name, in bytes of UTF-8; file systems allow 255, and the temporary name
// used while converting needs a few more.
constexpr int maxFileNameBytes = 240;

// Reads entry.json when it is a regular file of at most maxEntryJsonBytes, decoded as UTF-8 up
// to the first zero byte. Otherwise returns false and says why in problem (None when the file
// simply is not there or cannot be opened).
bool readEntryText(const QString &path, QString *text, Problem *problem);

// Where the "download_subtitle" value starts in the text (one past its opening quote) and
// where the first "}}" is; -1 when absent.
struct SubtitleMarkers
{
    int begin = -1;
    int end = -1;
};
SubtitleMarkers findSubtitle(const QString &text);

// The text from position from, length characters long (to its end when length is negative or
// reaches past it), with JSON's string escapes decoded ("\\u7b2c" to 第, surrogate pairs
// joined, "\\\"" to a quote, …), and at most maxCharacters of it when that is not negative.
// Anything that is no escape JSON knows stays as it is.
QString decodeJsonEscapes(const QString &text, int from, int length = -1, int maxCharacters = -1);

// The raw name taken from the text before any cleaning, escapes decoded: the subtitle slice
// when there is a subtitle, else six characters after "title": followed by the number, else the
// number alone.
QString rawNameFromEntry(const QString &text, const SubtitleMarkers &markers, int number);

// Removes every character a Windows file name may not hold, in one pass; returns how many.
int removeForbiddenCharacters(QString &name);

// Appends ".mp4", drops every blank, keeps the name from being hidden or only a suffix (".x.mp4"
// and ".mp4" become "_.x.mp4" and "_.mp4"), cuts it to maxFileNameBytes, and keeps it from
// being a Windows device name ("CON.mp4" becomes "CON_.mp4").
QString finishOutputName(const QString &filteredName);

// Shortens the part in front of ".mp4" so the whole name fits maxFileNameBytes, cutting only
// between whole characters. Names that fit are returned unchanged.
QString limitFileNameLength(const QString &name);

// The whole name for an entry.json text, the steps above in turn; number is the one a name
// without a subtitle carries.
QString outputNameFromText(const QString &text, int number);

// The output name of an item and, when entry.json could not give it, why.
struct EntryName
{
    QString name;
    Problem note;
};

// Names the item described by the entry.json at the path, writing the debug lines of each step.
EntryName nameFromEntry(const QString &entryJsonPath);

// Removes every character a Windows file name may not hold, writing a debug line for each.
void adjustFileName(QString &name);

// The next number of the per-thread sequence that names without a subtitle carry. It starts
// over with every thread, as it always has.
int nextNameNumber();

#endif // OUTPUTNAMING_H
