// SPDX-License-Identifier: MIT
#include "cachebuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

extern "C" {
#include <libavformat/avformat.h>
}

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#include <winioctl.h>

#include <vector>
#endif

namespace {

constexpr double seconds = 3.0;

QTemporaryDir &streamDir()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

namespace CacheBuilder {

QString ffmpeg()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

bool runFfmpeg(const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(
        CacheBuilder::ffmpeg(),
        QStringList { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y") }
            + arguments);
    if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = QStringLiteral("ffmpeg failed: ")
            + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

QStringList fragmentedMp4()
{
    return { QStringLiteral("-f"), QStringLiteral("mp4"), QStringLiteral("-movflags"),
             QStringLiteral("frag_keyframe+empty_moov+default_base_moof+global_sidx") };
}

double streamSeconds()
{
    return seconds;
}

bool prepareStreams(QString *error)
{
    static bool ready = false;
    if (ready)
        return true;
    if (ffmpeg().isEmpty()) {
        *error = QStringLiteral("ffmpeg is needed on PATH");
        return false;
    }
    if (!streamDir().isValid()) {
        *error = streamDir().errorString();
        return false;
    }
    const QString length = QString::number(seconds);
    const QString video = streamDir().filePath(QStringLiteral("video.m4s"));
    const QString audio = streamDir().filePath(QStringLiteral("audio.m4s"));
    const QStringList source {
        QStringLiteral("-f"), QStringLiteral("lavfi"),
        QStringLiteral("-i"), QStringLiteral("testsrc=size=160x120:rate=10:duration=") + length,
        QStringLiteral("-g"), QStringLiteral("5")
    };
    // H.264 as the cache holds it; a small ffmpeg without libx264 (the Windows one) gives MPEG-4.
    const QStringList h264 { QStringLiteral("-c:v"), QStringLiteral("libx264"),
                             QStringLiteral("-preset"), QStringLiteral("ultrafast") };
    const QStringList mpeg4 { QStringLiteral("-c:v"), QStringLiteral("mpeg4") };
    ready = (runFfmpeg(source + h264 + fragmentedMp4() + QStringList { video }, error)
             || runFfmpeg(source + mpeg4 + fragmentedMp4() + QStringList { video }, error))
        && runFfmpeg(QStringList { QStringLiteral("-f"), QStringLiteral("lavfi"),
                                   QStringLiteral("-i"),
                                   QStringLiteral("sine=frequency=440:duration=") + length,
                                   QStringLiteral("-c:a"), QStringLiteral("aac") }
                         + fragmentedMp4() + QStringList { audio },
                     error);
    return ready;
}

QByteArray entryJson(const QString &subtitle)
{
    return QByteArrayLiteral("{\"title\":{\"title\":\"Some show\",\"download_subtitle\":\"")
        + subtitle.toUtf8() + QByteArrayLiteral("\"}}");
}

QString addItem(const QString &root, const QString &itemPath, const QByteArray &entry,
                const QString &qualityFolder)
{
    const QString item = root + QLatin1Char('/') + itemPath;
    const QString videoFolder = item + QLatin1Char('/') + qualityFolder;
    QDir().mkpath(videoFolder);
    for (const char *name : { "video.m4s", "audio.m4s" }) {
        const QString stream = QString::fromLatin1(name);
        QFile::copy(streamDir().filePath(stream), videoFolder + QLatin1Char('/') + stream);
    }
    if (!entry.isNull())
        writeFile(item + QStringLiteral("/entry.json"), entry);
    return videoFolder;
}

bool useLongStreams(const QString &videoFolder, QString *error)
{
    static QTemporaryDir dir;
    static bool made = false;
    const QString video = dir.filePath(QStringLiteral("video.m4s"));
    const QString audio = dir.filePath(QStringLiteral("audio.m4s"));
    if (!made) {
        made =
            runFfmpeg(QStringList { "-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=20",
                                    "-c:v", "libx264", "-preset", "ultrafast" }
                          + fragmentedMp4() + QStringList { video },
                      error)
            && runFfmpeg(
                QStringList { "-f", "lavfi", "-i", "sine=frequency=440:duration=20", "-c:a", "aac" }
                    + fragmentedMp4() + QStringList { audio },
                error);
        if (!made)
            return false;
    }
    for (const QString &stream : { video, audio }) {
        const QString target = videoFolder + QLatin1Char('/') + QFileInfo(stream).fileName();
        QFile::remove(target);
        if (!QFile::copy(stream, target)) {
            *error = QStringLiteral("could not copy %1").arg(stream);
            return false;
        }
    }
    return true;
}

bool truncate(const QString &file, double fraction)
{
    QFile stream(file);
    return stream.resize(qint64(stream.size() * fraction));
}

MediaInfo probe(const QString &file)
{
    MediaInfo result;
    readMedia(file, &result);
    return result;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool writeLockOfAGoneRun(const QString &path)
{
    QByteArray content;
    {
        QLockFile made(path);
        if (!made.tryLock(0))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        content = file.readAll();
    } // let go: the file is gone
    // A process of this very program that has ended since: its id names no live process.
    QProcess ended;
    ended.start(QCoreApplication::applicationFilePath(), { QStringLiteral("-functions") });
    if (!ended.waitForStarted())
        return false;
    const qint64 pid = ended.processId();
    if (!ended.waitForFinished() || processRunning(pid))
        return false;
    return writeFile(path, QByteArray::number(pid) + content.mid(content.indexOf('\n')));
}

namespace {

bool runsAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool chattr(const QString &flag, const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("chattr"), { flag, file });
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace

QString placeProgram(const QString &program, const QString &folder, const QString &name)
{
#ifdef Q_OS_WIN
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".exe");
    return QFile::copy(program, path) ? path : QString();
#else
    const QString path = folder + QLatin1Char('/') + name;
    return QFile::link(program, path) ? path : QString();
#endif
}

bool linkFolder(const QString &target, const QString &link)
{
#ifdef Q_OS_WIN
    // A junction: an empty folder that a reparse point of the mount-point kind leads elsewhere.
    if (!QDir().mkdir(link))
        return false;
    const QString native = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    const std::wstring substitute = (QStringLiteral("\\??\\") + native).toStdWString();
    const std::wstring print = native.toStdWString();
    struct MountPoint
    {
        DWORD tag;
        WORD dataLength;
        WORD reserved;
        WORD substituteOffset;
        WORD substituteLength;
        WORD printOffset;
        WORD printLength;
    };
    const size_t names = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(MountPoint) + names, 0);
    auto *header = reinterpret_cast<MountPoint *>(buffer.data());
    header->tag = IO_REPARSE_TAG_MOUNT_POINT;
    header->dataLength = WORD(4 * sizeof(WORD) + names);
    header->substituteLength = WORD(substitute.size() * sizeof(wchar_t));
    header->printOffset = WORD(header->substituteLength + sizeof(wchar_t));
    header->printLength = WORD(print.size() * sizeof(wchar_t));
    auto *text = reinterpret_cast<wchar_t *>(buffer.data() + sizeof(MountPoint));
    std::copy(substitute.begin(), substitute.end(), text);
    std::copy(print.begin(), print.end(), text + substitute.size() + 1);
    const HANDLE folder = CreateFileW(
        QDir::toNativeSeparators(link).toStdWString().c_str(), GENERIC_WRITE, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    DWORD returned = 0;
    const bool made = folder != INVALID_HANDLE_VALUE
        && DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()),
                           nullptr, 0, &returned, nullptr);
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    if (!made)
        QDir().rmdir(link);
    return made;
#else
    return QFile::link(target, link);
#endif
}

bool symbolicLinksAvailable()
{
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
}

#ifdef Q_OS_WIN
// Windows refuses to delete a file that someone holds open without sharing its deletion, as
// QFile opens it.
QHash<QString, QFile *> &heldOpen()
{
    static QHash<QString, QFile *> files;
    return files;
}
#endif

bool makeUndeletable(const QString &file, bool appendOnly)
{
#ifdef Q_OS_WIN
    if (appendOnly)
        return false;
    auto *held = new QFile(file);
    if (!held->open(QIODevice::ReadOnly)) {
        delete held;
        return false;
    }
    heldOpen().insert(file, held);
    return !QFile(file).remove();
#elif defined(Q_OS_UNIX)
    if (runsAsRoot())
        return chattr(appendOnly ? QStringLiteral("+a") : QStringLiteral("+i"), file)
            && !QFile(file).remove();
    if (appendOnly)
        return false;
    const QString folder = QFileInfo(file).absolutePath();
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
#else
    Q_UNUSED(file);
    Q_UNUSED(appendOnly);
    return false;
#endif
}

void makeDeletable(const QString &file)
{
#ifdef Q_OS_WIN
    delete heldOpen().take(file);
    return;
#endif
    if (runsAsRoot())
        chattr(QStringLiteral("-ia"), file);
    else
        QFile::setPermissions(QFileInfo(file).absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList asUnprivilegedUser()
{
    if (!runsAsRoot())
        return {};
    return { QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
             QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
             QStringLiteral("--") };
}

bool openToEveryone(const QString &folder)
{
    return QProcess::execute(QStringLiteral("chmod"),
                             { QStringLiteral("-R"), QStringLiteral("a+rwX"), folder })
        == 0;
}

bool processRunning(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return false;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    // A zombie has ended; only its parent's wait is missing.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray fields = stat.readAll();
    const int afterName = fields.lastIndexOf(')');
    return afterName < 0 || fields.mid(afterName + 2, 1) != "Z";
#endif
}

qint64 writtenPid(const QString &pidFile)
{
    QFile file(pidFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toLongLong() : 0;
}

void endProcess(qint64 pid)
{
    if (pid <= 0 || !processRunning(pid))
        return;
#ifdef Q_OS_WIN
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
#else
    ::kill(pid_t(pid), SIGKILL);
#endif
}

QVector<PacketPlace> packetPlaces(const QString &file)
{
    QVector<PacketPlace> places;
    AVFormatContext *context = nullptr;
    if (avformat_open_input(&context, QFile::encodeName(file).constData(), nullptr, nullptr) < 0)
        return places;
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVPacket *packet = av_packet_alloc();
    while (packet && av_read_frame(context, packet) >= 0) {
        if (packet->stream_index == video || packet->stream_index == audio)
            places.append({ packet->pos, packet->size, packet->stream_index == audio });
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    return places;
}

bool zeroFromTheMiddle(const QString &file)
{
    const QVector<PacketPlace> places = packetPlaces(file);
    if (places.size() < 10)
        return false;
    const qint64 from = places.at(places.size() / 2).offset;
    const PacketPlace &last = places.at(places.size() * 95 / 100);
    const qint64 to = last.offset + last.size;
    QFile opened(file);
    return from < to && opened.open(QIODevice::ReadWrite) && opened.seek(from)
        && opened.write(QByteArray(int(to - from), '\0')) == to - from;
}

bool withTag(const QString &file, const QString &tag)
{
    const QString rewritten = file + QStringLiteral(".retagged.mp4");
    QString why;
    return runFfmpeg({ QStringLiteral("-ignore_editlist"), QStringLiteral("1"),
                       QStringLiteral("-i"), file, QStringLiteral("-map"), QStringLiteral("0"),
                       QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-strict"),
                       QStringLiteral("experimental"), QStringLiteral("-metadata"),
                       QStringLiteral("comment=") + tag, rewritten },
                     &why)
        && QFile::remove(file) && QFile::rename(rewritten, file);
}

bool asMadeByAnEarlierVersion(const QString &file)
{
    const QString tag = probe(file).tag;
    return tag.contains(QLatin1String(";sums="))
        && withTag(file, tag.left(tag.indexOf(QLatin1String(";sums="))));
}

bool withDamagedChecksumRecord(const QString &file, const QString &how)
{
    QString tag = probe(file).tag;
    const int field = tag.indexOf(QLatin1String(";sums=v"));
    if (field < 0)
        return false;
    const int count = field + 7; // the video's count of packets, then its runs
    if (how == QLatin1String("cut"))
        tag.chop(40);
    else if (how == QLatin1String("not hex"))
        tag[count + 8 * 3] = QLatin1Char('x');
    else if (how == QLatin1String("count"))
        tag.replace(count, 8, QStringLiteral("00000001"));
    else
        return false;
    return withTag(file, tag);
}

QString snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries
            << QStringLiteral("%1 %2").arg(info.filePath()).arg(info.isDir() ? -1 : info.size());
    }
    entries.sort();
    return entries.join(QLatin1Char('\n'));
}

} // namespace CacheBuilder
