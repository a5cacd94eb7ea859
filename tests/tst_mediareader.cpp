// SPDX-License-Identifier: MIT
// Reading media files in-process: real files made by ffmpeg, damaged ones, and things that are
// no file at all. None may block, crash or be taken for a video.
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

extern "C" {
#include <libavutil/adler32.h>
}

#include "cachebuilder.h"
#include "item/outputsums.h"
#include "media/adler32.h"
#include "media/mediapackets.h"
#include "media/mediareader.h"
#include "media/mediaverification.h"
#include "output/sourcetag.h"

class tst_MediaReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reads_data();
    void reads();
    void damagedFilesNeverCrash_data();
    void damagedFilesNeverCrash();
    void aStopEndsTheRead();
    void eachFileIsReadOnce();
    void aStopDuringTheReadBackRecordsNothing();
    void checksumRunsTellWhereDamageBegins_data();
    void checksumRunsTellWhereDamageBegins();
    void adlerIsFFmpegs_data();
    void adlerIsFFmpegs();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    QString streams; // the folder of an item's video.m4s and audio.m4s
    QByteArray converted; // a complete output, tagged
    bool matroskaMade = false;
};

void tst_MediaReader::initTestCase()
{
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QString error;
    if (!CacheBuilder::prepareStreams(&error))
        QSKIP(qPrintable(error));
    streams = CacheBuilder::addItem(dir.path(), QStringLiteral("item"), QByteArray());
    const QStringList inputs { QStringLiteral("-i"), streams + QStringLiteral("/video.m4s"),
                               QStringLiteral("-i"), streams + QStringLiteral("/audio.m4s") };
    QVERIFY2(CacheBuilder::runFfmpeg(inputs
                                         + QStringList { "-c", "copy", "-metadata",
                                                         "comment=vantoro-source:1;item=7",
                                                         path("tagged.mp4") },
                                     &error),
             qPrintable(error));
    QVERIFY2(CacheBuilder::runFfmpeg(inputs + QStringList { "-c", "copy", path("untagged.mp4") },
                                     &error),
             qPrintable(error));
    QVERIFY2(CacheBuilder::runFfmpeg(
                 inputs + QStringList { "-c", "copy", "-an", path("silent.mp4") }, &error),
             qPrintable(error));
    // A Matroska file under an .mp4 name is no output of ours, however readable it is. The
    // small ffmpeg of the Windows build cannot write one.
    matroskaMade = CacheBuilder::runFfmpeg(
        inputs + QStringList { "-c", "copy", "-f", "matroska", path("matroska.mp4") }, &error);
    QFile tagged(path("tagged.mp4"));
    QVERIFY(tagged.open(QIODevice::ReadOnly));
    converted = tagged.readAll();
    QVERIFY(CacheBuilder::writeFile(path("half.mp4"), converted.left(converted.size() / 2)));
    QVERIFY(CacheBuilder::writeFile(path("text.mp4"), "just some words, not a video\n"));
    QVERIFY(QDir().mkpath(path("folder.mp4")));
#ifdef Q_OS_UNIX
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.mp4")).constData(), 0600), 0);
#endif
}

void tst_MediaReader::reads_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Problem::Kind>("problem");
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<QString>("tag");

    QTest::newRow("a tagged output")
        << "tagged.mp4" << Problem::None << true << true << "vantoro-source:1;item=7";
    QTest::newRow("an untagged output") << "untagged.mp4" << Problem::None << true << true << "";
    QTest::newRow("an output without audio")
        << "silent.mp4" << Problem::None << true << false << "";
    QTest::newRow("a video stream of the cache")
        << "item/64/video.m4s" << Problem::None << true << false << "";
    QTest::newRow("an audio stream of the cache")
        << "item/64/audio.m4s" << Problem::None << false << true << "";
    QTest::newRow("an output cut in half")
        << "half.mp4" << Problem::NotMedia << false << false << "";
    QTest::newRow("a Matroska file named .mp4")
        << "matroska.mp4" << Problem::NotMedia << false << false << "";
    QTest::newRow("a text file named .mp4")
        << "text.mp4" << Problem::NotMedia << false << false << "";
    QTest::newRow("a folder at the name")
        << "folder.mp4" << Problem::MediaUnreadable << false << false << "";
    QTest::newRow("nothing at the name")
        << "missing.mp4" << Problem::MediaUnreadable << false << false << "";
#ifdef Q_OS_UNIX
    QTest::newRow("a pipe at the name")
        << "fifo.mp4" << Problem::MediaUnreadable << false << false << "";
#endif
}

void tst_MediaReader::reads()
{
    QFETCH(QString, file);
    if (file == QLatin1String("matroska.mp4") && !matroskaMade)
        QSKIP("this ffmpeg cannot write Matroska");
    QFETCH(Problem::Kind, problem);
    QFETCH(bool, video);
    QFETCH(bool, audio);
    QFETCH(QString, tag);
    MediaInfo info;
    const Problem read = readMedia(path(file), &info);
    QCOMPARE(read.kind, problem);
    if (problem != Problem::None) {
        QCOMPARE(read.path, path(file));
        return;
    }
    QCOMPARE(info.hasVideo, video);
    QCOMPARE(info.hasAudio, audio);
    QCOMPARE(info.tag, tag);
    // Every stream there has a length, the fragmented ones of the cache too.
    const double seconds = CacheBuilder::streamSeconds();
    if (video)
        QVERIFY2(qAbs(info.video - seconds) < 0.1, qPrintable(QString::number(info.video)));
    if (audio)
        QVERIFY2(qAbs(info.audio - seconds) < 0.1, qPrintable(QString::number(info.audio)));
}

void tst_MediaReader::damagedFilesNeverCrash_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("zero-filled") << QByteArray(256 * 1024, '\0');
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(20261207);
    for (char &c : noise)
        c = char(random.bounded(256));
    QTest::newRow("random bytes") << noise;
    QTest::newRow("random bytes before a real file") << noise + converted;
    QTest::newRow("a real file with its middle zeroed")
        << converted.left(2000) + QByteArray(converted.size() - 4000, '\0') + converted.right(2000);
    for (int cut : { 8, 40, 700, 4000 })
        QTest::newRow(qPrintable(QStringLiteral("the first %1 bytes").arg(cut)))
            << converted.left(cut);
    QByteArray flipped = converted;
    for (int i = 0; i < flipped.size(); i += 97)
        flipped[i] = char(flipped.at(i) ^ 0x5a);
    QTest::newRow("every 97th byte flipped") << flipped;
}

void tst_MediaReader::damagedFilesNeverCrash()
{
    QFETCH(QByteArray, content);
    const QString file = path(QStringLiteral("damaged.mp4"));
    QVERIFY(CacheBuilder::writeFile(file, content));
    MediaInfo info;
    const Problem read = readMedia(file, &info);
    // Whatever it makes of the file, it answers; a file it takes for media holds its streams.
    QVERIFY2(read.isNone() || read.kind == Problem::NotMedia
                 || read.kind == Problem::MediaUnreadable,
             QMetaEnum::fromType<Problem::Kind>().valueToKey(read.kind));
    if (!read.isNone())
        QCOMPARE(info.hasVideo || info.hasAudio, false);
}

void tst_MediaReader::aStopEndsTheRead()
{
    MediaInfo info;
    const Problem read = readMedia(path("tagged.mp4"), &info, [] { return true; });
    QCOMPARE(read.kind, Problem::Stopped);
    QVERIFY(!info.hasVideo);

    // A stop that comes while a verification reads its last source ends it as stopped, not as
    // a source of unknown length.
    bool stop = false;
    MediaReads reads([&stop] { return stop; });
    QVERIFY(reads.read(path("tagged.mp4"), &info).isNone());
    QVERIFY(reads.read(streams + QStringLiteral("/video.m4s"), &info).isNone());
    stop = true;
    const Verification verification =
        verifyOutput(path("tagged.mp4"), streams + QStringLiteral("/video.m4s"),
                     streams + QStringLiteral("/audio.m4s"), reads);
    QCOMPARE(verification.problem.kind, Problem::Stopped);
}

void tst_MediaReader::eachFileIsReadOnce()
{
    int stopChecks = 0;
    MediaReads reads([&stopChecks] {
        ++stopChecks;
        return false;
    });
    MediaInfo info;
    QVERIFY(reads.read(path("tagged.mp4"), &info).isNone());
    const int checksOfOneRead = stopChecks;
    QVERIFY(checksOfOneRead > 0);
    QFile::rename(path("tagged.mp4"), path("moved.mp4"));
    QVERIFY(reads.read(path("tagged.mp4"), &info).isNone()); // known already: not read again
    QCOMPARE(stopChecks, checksOfOneRead);
    QCOMPARE(info.tag, QStringLiteral("vantoro-source:1;item=7"));
    QFile::rename(path("moved.mp4"), path("tagged.mp4"));
}

void tst_MediaReader::aStopDuringTheReadBackRecordsNothing()
{
    // An output as ffmpeg leaves it: room for its checksums in its tag, not filled yet.
    const QString tag = withReservedSums(QStringLiteral("vantoro-source:1;item=7"));
    QString error;
    for (const QString &name : { QStringLiteral("whole.mp4"), QStringLiteral("stopped.mp4") })
        QVERIFY2(
            CacheBuilder::runFfmpeg({ "-i", streams + "/video.m4s", "-i", streams + "/audio.m4s",
                                      "-c", "copy", "-metadata", "comment=" + tag, path(name) },
                                    &error),
            qPrintable(error));
    int asked = 0;
    MediaPackets read;
    bool recorded = false;
    const StopCheck countAsks = [&asked] { return ++asked < 0; };
    QVERIFY(recordSums(path("whole.mp4"), &read, countAsks, &recorded).isNone());
    QVERIFY(recorded);
    QVERIFY(!taggedSums(CacheBuilder::probe(path("whole.mp4")).tag).isEmpty());

    const int stopAt = asked / 2;
    asked = 0;
    const Problem stopped = recordSums(
        path("stopped.mp4"), &read, [&asked, stopAt] { return ++asked >= stopAt; }, &recorded);
    QCOMPARE(stopped.kind, Problem::Stopped);
    QVERIFY(!recorded);
    QCOMPARE(CacheBuilder::probe(path("stopped.mp4")).tag, tag);
}

void tst_MediaReader::checksumRunsTellWhereDamageBegins_data()
{
    // Of a video of 640 frames at 25 a second, each its own packet in order: run r of the 64
    // holds packets 10 r to 10 r + 9, and begins at 0.4 r s.
    QTest::addColumn<int>("packet"); // the one whose data changes
    QTest::newRow("the first packet") << 0;
    QTest::newRow("the last of a run") << 329;
    QTest::newRow("the first of a run") << 330;
    QTest::newRow("the last packet, in the last run") << 639;
}

void tst_MediaReader::checksumRunsTellWhereDamageBegins()
{
    QFETCH(int, packet);
    const QString file = path(QStringLiteral("runs-%1.mp4").arg(packet));
    QString error;
    QVERIFY2(
        CacheBuilder::runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v",
                                  "640", "-c:v", "mpeg4", "-bf", "0", "-g", "25", file },
                                &error),
        qPrintable(error));
    MediaPackets sound;
    QVERIFY(readPackets(file, &sound, {}).isNone());
    QCOMPARE(sound.video.count, 640);
    for (int run = 0; run < checksumRuns; ++run)
        QVERIFY2(qAbs(sound.video.runStarts.at(size_t(run)) - 0.4 * run) < 0.001,
                 qPrintable(QString::number(run)));

    const QVector<CacheBuilder::PacketPlace> places = CacheBuilder::packetPlaces(file);
    QCOMPARE(places.size(), 640);
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.seek(places.at(packet).offset + places.at(packet).size - 1));
    const char byte = damaged.read(1).at(0);
    QVERIFY(damaged.seek(places.at(packet).offset + places.at(packet).size - 1));
    QCOMPARE(damaged.write(QByteArray(1, char(~byte))), 1);
    damaged.close();

    MediaPackets read;
    QVERIFY(readPackets(file, &read, {}).isNone());
    const TaggedSums recorded { { sound.video.count, sound.video.runSums },
                                { sound.audio.count, sound.audio.runSums } };
    const Problem problem = compareWithRecorded(read, recorded, file);
    QCOMPARE(problem.kind, Problem::OutputDataDamaged);
    QCOMPARE(problem.stream, Problem::Video);
    QCOMPARE(problem.outputSeconds, 0.4 * (packet / 10));
}

QTEST_GUILESS_MAIN(tst_MediaReader)
#include "tst_mediareader.moc"

void tst_MediaReader::adlerIsFFmpegs_data()
{
    // The bytes summed 32 at once and reduced every 173 blocks, and those left over one by one:
    // every length around those bounds, from any address. Bytes of 255 and a start of the
    // largest sums give the largest lanes.
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("offset"); // from an aligned address
    QTest::addColumn<int>("fill"); // every byte's value, or -1 for bytes at random
    QTest::addColumn<quint32>("start");
    QTest::newRow("nothing") << 0 << 0 << -1 << 1u;
    QTest::newRow("fewer bytes than a block") << 31 << 1 << -1 << 1u;
    QTest::newRow("one block") << 32 << 0 << -1 << 1u;
    QTest::newRow("a block and a byte") << 33 << 5 << -1 << 0x1234abcdu;
    QTest::newRow("as many blocks as are reduced at once") << 173 * 32 << 0 << -1 << 1u;
    QTest::newRow("and a block more") << 174 * 32 << 3 << -1 << 1u;
    QTest::newRow("a megabyte and some, unaligned") << (1 << 20) + 7 << 7 << -1 << 0xfff0fff0u;
    QTest::newRow("bytes of 255 from the largest sums")
        << (1 << 20) + 31 << 0 << 255 << 0xfff0fff0u;
    // Its first third, 196,562 bytes of 1, brings s1 round to 0; the rest is six times 65,521
    // long, less two.
    QTest::newRow("a first run whose s1 is 0") << 3 * 196562 << 0 << 1 << 1u;
}

void tst_MediaReader::adlerIsFFmpegs()
{
    QFETCH(int, size);
    QFETCH(int, offset);
    QFETCH(int, fill);
    QFETCH(quint32, start);
    QByteArray bytes(size + offset, char(fill));
    if (fill < 0)
        QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                         bytes.size() / 4);
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    const quint32 expected = av_adler32_update(start, data, size_t(size));
    QCOMPARE(adler32Update(start, data, size_t(size)), expected);
    // In two parts, and the two parts' sums combined, as the runs of a stream are.
    const int half = size / 3;
    QCOMPARE(
        adler32Update(adler32Update(start, data, size_t(half)), data + half, size_t(size - half)),
        expected);
    QCOMPARE(adler32Combine(adler32Update(start, data, size_t(half)),
                            adler32Update(1, data + half, size_t(size - half)),
                            quint64(size - half)),
             expected);
}
