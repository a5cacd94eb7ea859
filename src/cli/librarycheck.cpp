// SPDX-License-Identifier: MIT
#include "librarycheck.h"

#include <QDirIterator>

#include <numeric>

#include "consolewriter.h"
#include "files/readahead.h"
#include "interruption.h"
#include "output/outputlock.h"
#include "report/reportwording.h"

namespace {

// Every .mp4 below the folders but a conversion's temporary, found before the first is read.
QStringList mp4Files(const QStringList &folders)
{
    QStringList files;
    for (const QString &folder : folders) {
        QDirIterator found(folder, { QStringLiteral("*.mp4") }, QDir::Files | QDir::NoSymLinks,
                           QDirIterator::Subdirectories);
        while (found.hasNext()) {
            const QString file = found.next();
            if (!isWorkingFileName(found.fileName()))
                files << file;
        }
    }
    return files;
}

} // namespace

LibraryCheck checkLibrary(const QStringList &folders, bool quiet, bool live, std::FILE *out)
{
    LibraryCheck check;
    const QStringList files = mp4Files(folders);
    const StopCheck stopRequested = [] { return interruptionRequested(); };
    int liveWidth = 0;
    for (int i = 0; i < files.size(); ++i) {
        if (interruptionRequested())
            break;
        const QString counter = QStringLiteral("[%1/%2] ").arg(i + 1).arg(files.size());
        if (live && !quiet) {
            const QString reading = counter + files.at(i) + QStringLiteral(": reading");
            writeText(out, QLatin1Char('\r') + reading);
            liveWidth = displayWidth(reading);
        }
        // The system reads the start of the next file from the disk while this one is checked.
        if (i + 1 < files.size())
            ReadAhead(files.at(i + 1)).reached(0);
        const OutputCheck result = checkOutput(files.at(i), stopRequested);
        if (liveWidth > 0) {
            writeText(out,
                      QLatin1Char('\r') + QString(liveWidth, QLatin1Char(' ')) + QLatin1Char('\r'));
            liveWidth = 0;
        }
        if (result.problem.kind == Problem::Stopped)
            break;
        ++check.counts.at(result.verdict);
        const bool problem =
            result.verdict == OutputCheck::Damaged || result.verdict == OutputCheck::Unreadable;
        if (result.verdict != OutputCheck::NotVantoros && (!quiet || problem))
            writeText(out,
                      counter + files.at(i) + QStringLiteral(": ")
                          + checkWords(result, Language::English) + QLatin1Char('\n'));
    }
    check.stopped = interruptionRequested();
    return check;
}

QString checkSummary(const LibraryCheck &check)
{
    const int files = std::accumulate(check.counts.cbegin(), check.counts.cend(), 0);
    QString text =
        QStringLiteral("Sound %1, damaged %2, cannot be checked %3, of %4 .mp4 files; "
                       "%5 without Vantoro's tag left out.")
            .arg(check.count(OutputCheck::Sound))
            .arg(check.count(OutputCheck::Damaged))
            .arg(check.count(OutputCheck::NoChecksums) + check.count(OutputCheck::Unreadable))
            .arg(files)
            .arg(check.count(OutputCheck::NotVantoros));
    if (check.stopped)
        text += QStringLiteral(" Stopped by the user: the rest were not checked.");
    return text;
}
