// SPDX-License-Identifier: MIT
// Items in every codec a cache holds (H.264, HEVC, AV1; AAC, AC-3, E-AC-3, FLAC, MP3, Opus),
// converted by vantoro-cli with the ffmpeg it finds, plainly and with --copy, their outputs
// proven in every way before the sources go, and checked with --check. On
// Linux the streams are made here by Debian's ffmpeg; the Windows build's tests under Wine are
// handed them in VANTORO_CODEC_STREAMS, since its own ffmpeg reads these codecs but cannot write
// them.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "cachebuilder.h"
#include "media/mediareader.h"

class tst_Codecs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsEveryCodec_data();
    void convertsEveryCodec();

private:
    QTemporaryDir work;
    QString streams;
};

void tst_Codecs::initTestCase()
{
    QVERIFY2(work.isValid(), qPrintable(work.errorString()));
    streams = qEnvironmentVariable("VANTORO_CODEC_STREAMS");
    if (!streams.isEmpty())
        return;
#ifdef Q_OS_WIN
    QSKIP("the codec streams are made on Linux and handed over in VANTORO_CODEC_STREAMS");
#else
    streams = work.filePath(QStringLiteral("streams"));
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral(SOURCE_DIR "/tests/make-codec-streams.sh"), { streams });
    QVERIFY(make.waitForFinished(300000));
    QCOMPARE(make.exitCode(), 0);
#endif
}

void tst_Codecs::convertsEveryCodec_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("copy");
    // How the output is proven before the sources go: as this run made it, met again by a later
    // run (by the checksums it recorded), or made by an earlier version that recorded none.
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("proof"); // what the item's line says of it, if anything
    for (const char *kind :
         { "hevc-aac", "hevc10-ac3", "av1-opus", "av1svt-flac", "h264-eac3", "h264-mp3" }) {
        for (const bool copy : { false, true }) {
            const QString name = QLatin1String(kind)
                + (copy ? QStringLiteral(", copied") : QStringLiteral(", encoded"));
            QTest::newRow(qPrintable(name + QStringLiteral(" now")))
                << QString::fromLatin1(kind) << copy << "now" << QString();
            QTest::newRow(qPrintable(name + QStringLiteral(", met again")))
                << QString::fromLatin1(kind) << copy << "again" << QString();
            QTest::newRow(qPrintable(name + QStringLiteral(" by an earlier version")))
                << QString::fromLatin1(kind) << copy << "earlier"
                << (copy ? QStringLiteral("proven against the sources' own packets")
                         : QStringLiteral("proven by decoding every frame"));
        }
    }
}

namespace {

struct Said
{
    int exitCode = -1;
    QString text;
};

Said runCli(const QStringList &arguments)
{
    QProcess cli;
    cli.start(QStringLiteral(VANTORO_CLI_PATH), arguments);
    Said said;
    if (cli.waitForFinished(300000))
        said.exitCode = cli.exitCode();
    said.text = QString::fromLocal8Bit(cli.readAllStandardOutput() + cli.readAllStandardError());
    return said;
}

} // namespace

void tst_Codecs::convertsEveryCodec()
{
    QFETCH(QString, kind);
    QFETCH(bool, copy);
    QFETCH(QString, made);
    QFETCH(QString, proof);
    const QString root =
        work.filePath(kind + (copy ? QStringLiteral("-copy-") : QStringLiteral("-")) + made);
    const QString video = CacheBuilder::addItem(
        root, QStringLiteral("1"), CacheBuilder::entryJson(kind), QStringLiteral("80"));
    for (const QString &name : { QStringLiteral("video.m4s"), QStringLiteral("audio.m4s") }) {
        QFile::remove(video + QLatin1Char('/') + name);
        QVERIFY2(QFile::copy(streams + QLatin1Char('/') + kind + QLatin1Char('/') + name,
                             video + QLatin1Char('/') + name),
                 qPrintable(name));
    }
    const QString output = root + QLatin1Char('/') + kind + QStringLiteral(".mp4");
    QStringList options;
    if (copy)
        options << QStringLiteral("--copy");
    if (made != QLatin1String("now")) {
        const Said first = runCli(options + QStringList { root });
        QVERIFY2(first.exitCode == 0, qPrintable(first.text));
        if (made == QLatin1String("earlier"))
            QVERIFY(CacheBuilder::asMadeByAnEarlierVersion(output));
    }

    const Said said = runCli(options + QStringList { QStringLiteral("--delete-source"), root });
    QVERIFY2(said.exitCode == 0, qPrintable(said.text));
    QVERIFY2(said.text.contains(QStringLiteral(", sources removed")), qPrintable(said.text));
    QVERIFY2(proof.isEmpty() || said.text.contains(proof), qPrintable(said.text));

    // Checked by the program before it removed anything; read again here all the same.
    MediaInfo read;
    QVERIFY(readMedia(output, &read).isNone());
    QVERIFY(read.hasVideo && read.hasAudio);
    QVERIFY2(qAbs(read.video - 2) < 0.2 && qAbs(read.audio - 2) < 0.2,
             qPrintable(QStringLiteral("%1 s and %2 s").arg(read.video).arg(read.audio)));
    // And the output checks out on its own, without its sources.
    const Said checked = runCli({ QStringLiteral("--check"), root });
    QVERIFY2(checked.exitCode == 0, qPrintable(checked.text));
    QVERIFY2(checked.text.contains(made == QLatin1String("earlier")
                                       ? QStringLiteral(": cannot be checked: made by an earlier")
                                       : QStringLiteral(": sound")),
             qPrintable(checked.text));
}

QTEST_GUILESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
