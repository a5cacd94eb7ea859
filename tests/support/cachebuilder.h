// SPDX-License-Identifier: MIT
#ifndef CACHEBUILDER_H
#define CACHEBUILDER_H

#include <QString>
#include <QVector>

#include "media/mediareader.h"

// Builds cache trees the way the video app stores downloads: <item>/<quality>/video.m4s and
// audio.m4s as fragmented MP4 with a global index, <item>/entry.json. The streams are made once
// per test process with the real ffmpeg from its test sources.
namespace CacheBuilder {

// The real ffmpeg on PATH, or empty.
QString ffmpeg();

// Makes the shared stream files; false (with a reason) when ffmpeg cannot.
bool prepareStreams(QString *error);
// Runs the real ffmpeg quietly with the arguments; false (with its words) when it fails.
bool runFfmpeg(const QStringList &arguments, QString *error);
// The options that make ffmpeg write fragmented MP4, as the cache holds its streams.
QStringList fragmentedMp4();
// Length in seconds of the generated streams.
double streamSeconds();

// An entry.json whose download_subtitle is the given title.
QByteArray entryJson(const QString &subtitle);

// Creates root/itemPath/qualityFolder with both streams and, unless entry is null, entry.json.
// Returns the video folder.
QString addItem(const QString &root, const QString &itemPath, const QByteArray &entry,
                const QString &qualityFolder = QStringLiteral("64"));

// Puts streams of 20 s at 640×360 into a video folder, in place of the short ones, for tests
// that need a conversion to take a while. They are made once per test process.
bool useLongStreams(const QString &videoFolder, QString *error);

// Cuts a stream file to a fraction of its size, as an interrupted download leaves it.
bool truncate(const QString &file, double fraction);

// What the program's own reader finds in a file.
MediaInfo probe(const QString &file);

// Where a packet of a media file lies in it, as FFmpeg's own reader finds it.
struct PacketPlace
{
    qint64 offset;
    int size;
    bool audio;
};
// Every packet of the file's first video and audio stream, in the order the file stores them.
QVector<PacketPlace> packetPlaces(const QString &file);
// Overwrites 45 % of the media data with zeros, from its middle on, as a disk or file system that
// lost blocks it had not flushed leaves a file: size, index and tag untouched.
bool zeroFromTheMiddle(const QString &file);
// Rewrites an output as a version of Vantoro that recorded no checksums wrote it: every packet it
// stores (an edit list's too), and its tag without them.
bool asMadeByAnEarlierVersion(const QString &file);
// Rewrites an output with the tag given, every packet as it was.
bool withTag(const QString &file, const QString &tag);
// Rewrites an output with its record of checksums damaged as how says: "cut" (short by 40
// characters), "not hex" (a character of the video's runs), "count" (the video's count of packets
// made 1, so that its runs disagree with it).
bool withDamagedChecksumRecord(const QString &file, const QString &how);

// Writes a file with the given content, making its folders.
bool writeFile(const QString &path, const QByteArray &content);

// Puts a program into a folder under the given name (".exe" added on Windows): a link where
// links are cheap, a copy on Windows. Returns its path, or empty when that failed.
QString placeProgram(const QString &program, const QString &folder, const QString &name);

// True where tests can make symbolic links (not on Windows, where that needs privileges).
bool symbolicLinksAvailable();
// Makes link a link to the folder target: a symbolic link, on Windows a junction (which needs no
// privileges). False where the system cannot (Wine makes no junctions).
bool linkFolder(const QString &target, const QString &link);

// Makes a file impossible to remove (for root, with the immutable flag; for others, by taking
// the write right on its folder). False when this system offers neither.
// appendOnly asks for Linux's append-only flag instead (chattr +a), which only root can set.
bool makeUndeletable(const QString &file, bool appendOnly = false);
// Undoes makeUndeletable.
void makeDeletable(const QString &file);

// Where permissions never keep this process out (root): the words that run a program as the
// unprivileged user nobody instead (setpriv); empty where permissions hold for this process.
QStringList asUnprivilegedUser();
// Lets every user read, write and enter the folder and everything below it.
bool openToEveryone(const QString &folder);

// True while the process with that id runs (a finished one that nobody has reaped yet counts
// as ended).
bool processRunning(qint64 pid);
// The process id the ffmpeg stand-in wrote into the file (VANTORO_FAKE_FFMPEG_PIDFILE), or 0
// while it has not.
qint64 writtenPid(const QString &pidFile);
// Ends that process at once, if it still runs: what a test leaves behind when it fails.
void endProcess(qint64 pid);

// Leaves at path the lock file a run leaves when it is killed: what a run's lock holds, naming
// a process that has ended.
bool writeLockOfAGoneRun(const QString &path);

// A listing of every entry below a folder with sizes, to see that nothing changed.
QString snapshot(const QString &folder);

} // namespace CacheBuilder

#endif // CACHEBUILDER_H
