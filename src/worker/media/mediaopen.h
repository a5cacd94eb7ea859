// SPDX-License-Identifier: MIT
#ifndef MEDIAOPEN_H
#define MEDIAOPEN_H

#include <QDeadlineTimer>
#include <QString>

#include "records/problem.h"
#include "records/stopcheck.h"

struct AVFormatContext;

// One MP4 file opened with FFmpeg's own library, closed when it goes. Only plain files are
// opened, only as MP4, only from the local disk; every read the library makes asks whether the
// user stopped, or the time allowed has run out, and ends at once if so.
class OpenedMedia
{
public:
    // How the file's samples are read.
    enum Samples {
        AsPlayed, // as a player shows them: an edit list may leave some out
        AsStored, // every sample the file stores, edit lists ignored
    };

    OpenedMedia(const QString &path, const StopCheck &stopRequested, int timeLimitMs,
                Samples samples = AsPlayed);
    ~OpenedMedia();
    OpenedMedia(const OpenedMedia &) = delete;
    OpenedMedia &operator=(const OpenedMedia &) = delete;

    // MediaUnreadable, NotMedia or Stopped when it could not be opened; then context is null.
    Problem problem() const { return openProblem; }
    AVFormatContext *context() const { return opened; }
    // True once a stop ended a read.
    bool stopped() const { return watch.stopped; }

    // The first video stream (a cover picture is none) and the first audio stream, or -1.
    int videoStream() const;
    int audioStream() const;
    // The length in seconds that a stream's header gives, or that of the whole file; below
    // zero when it gives none.
    double streamLength(int index) const;
    double fileLength() const;
    // The comment its metadata carries (where Vantoro's tag stands), or empty.
    QString comment() const;

private:
    struct Watch
    {
        const StopCheck *stopRequested;
        QDeadlineTimer deadline;
        bool stopped = false;
    };
    static int interrupt(void *opaque);

    Watch watch;
    AVFormatContext *opened = nullptr;
    Problem openProblem;
};

#endif // MEDIAOPEN_H
