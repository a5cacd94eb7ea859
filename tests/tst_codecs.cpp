// SPDX-License-Identifier: MIT
// Items in every codec a cache holds (H.264, HEVC, AV1; AAC, AC-3, E-AC-3, FLAC, MP3, Opus),
// converted by vantoro-cli with the ffmpeg it finds, plainly and with --copy, and verified. On
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
    for (const char *kind :
         { "hevc-aac", "hevc10-ac3", "av1-opus", "av1svt-flac", "h264-eac3", "h264-mp3" }) {
        QTest::newRow(qPrintable(QStringLiteral("%1, encoded again").arg(QLatin1String(kind))))
            << QString::fromLatin1(kind) << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, copied").arg(QLatin1String(kind))))
            << QString::fromLatin1(kind) << true;
    }
}

void tst_Codecs::convertsEveryCodec()
{
    QFETCH(QString, kind);
    QFETCH(bool, copy);
    const QString root = work.filePath(kind + (copy ? QStringLiteral("-copy") : QString()));
    const QString video = CacheBuilder::addItem(
        root, QStringLiteral("1"), CacheBuilder::entryJson(kind), QStringLiteral("80"));
    for (const QString &name : { QStringLiteral("video.m4s"), QStringLiteral("audio.m4s") }) {
        QFile::remove(video + QLatin1Char('/') + name);
        QVERIFY2(QFile::copy(streams + QLatin1Char('/') + kind + QLatin1Char('/') + name,
                             video + QLatin1Char('/') + name),
                 qPrintable(name));
    }

    QStringList arguments { QStringLiteral("--delete-source"), root };
    if (copy)
        arguments.prepend(QStringLiteral("--copy"));
    QProcess cli;
    cli.start(QStringLiteral(VANTORO_CLI_PATH), arguments);
    QVERIFY(cli.waitForFinished(300000));
    const QString said =
        QString::fromLocal8Bit(cli.readAllStandardOutput() + cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == 0, qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral(": converted, sources removed")), qPrintable(said));

    // Checked by the program before it removed anything; read again here all the same.
    MediaInfo output;
    QVERIFY(readMedia(root + QLatin1Char('/') + kind + QStringLiteral(".mp4"), &output).isNone());
    QVERIFY(output.hasVideo && output.hasAudio);
    QVERIFY2(qAbs(output.video - 2) < 0.2 && qAbs(output.audio - 2) < 0.2,
             qPrintable(QStringLiteral("%1 s and %2 s").arg(output.video).arg(output.audio)));
}

QTEST_GUILESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
