// SPDX-License-Identifier: MIT
// What a run works out before and around ffmpeg: paths, arguments, names, scope, progress.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "cachebuilder.h"
#include "ffmpeg/errortail.h"
#include "ffmpeg/ffmpeglocator.h"
#include "ffmpeg/ffmpegprogress.h"
#include "files/saferemoval.h"
#include "output/outputfile.h"
#include "records/conversionjob.h"

class tst_JobPlanning : public QObject
{
    Q_OBJECT

private slots:
    void jobPaths_data();
    void jobPaths();
    void argumentsKeepWhiteSpaceInPaths();
    void outputNameChoices_data();
    void outputNameChoices();
    void strictlyInside_data();
    void strictlyInside();
    void errorTailKeepsLastLineOnly();
    void progressFromFfmpeg_data();
    void progressFromFfmpeg();
    void bundledFfmpegComesFirst();
};

void tst_JobPlanning::jobPaths_data()
{
    QTest::addColumn<QString>("videoFolder");
    QTest::addColumn<QString>("itemFolder");
    QTest::addColumn<QString>("outputFolder");

    QTest::newRow("usual depth") << "/c/cache/123/64"
                                 << "/c/cache/123"
                                 << "/c/cache";
    QTest::newRow("blanks and Chinese") << "/c/我的 缓存/1 2/64"
                                        << "/c/我的 缓存/1 2"
                                        << "/c/我的 缓存";
    QTest::newRow("near the top") << "/c/64"
                                  << "/c"
                                  << "";
    QTest::newRow("no slash at all") << "64"
                                     << "64"
                                     << "64";
}

void tst_JobPlanning::jobPaths()
{
    QFETCH(QString, videoFolder);
    QFETCH(QString, itemFolder);
    QFETCH(QString, outputFolder);

    ConversionJob job = jobForVideoFile(videoFolder + "/video.m4s", videoFolder);
    QCOMPARE(job.audioFile, videoFolder + "/audio.m4s");
    QCOMPARE(job.itemFolder, itemFolder);
    QCOMPARE(job.entryJsonFile, itemFolder + "/entry.json");
    QCOMPARE(job.outputFolder, outputFolder);
}

void tst_JobPlanning::argumentsKeepWhiteSpaceInPaths()
{
    ConversionJob job = jobForVideoFile(QStringLiteral("/d/a b\tc/1/64/video.m4s"),
                                        QStringLiteral("/d/a b\tc/1/64"));
    job.outputName = QStringLiteral("名字.mp4");
    job.outputFile = job.outputFolder + QLatin1Char('/') + job.outputName;

    QCOMPARE(ffmpegCommandText(job),
             QStringLiteral("ffmpeg/bin/ffmpeg.exe -i /d/a b\tc/1/64/video.m4s -i "
                            "/d/a b\tc/1/64/audio.m4s /d/a b\tc/名字.mp4 \n"));
    const QString partial = temporaryOutputFile(job.outputFile);
    QCOMPARE(partial, QStringLiteral("/d/a b\tc/名字 .partial.mp4"));
    QCOMPARE(ffmpegArguments(job, partial),
             QStringList({ "-i", job.videoFile, "-i", job.audioFile, partial }));
    QCOMPARE(ffmpegArguments(job, partial, { "-c", "copy" }),
             QStringList({ "-i", job.videoFile, "-i", job.audioFile, "-c", "copy", partial }));
}

void tst_JobPlanning::outputNameChoices_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the first choice is the name") << "/c/Clip.mp4" << 1 << "/c/Clip.mp4";
    QTest::newRow("then numbered") << "/c/Clip.mp4" << 2 << "/c/Clip(2).mp4";
    QTest::newRow("a name that is only the suffix") << "/c/.mp4" << 3 << "/c/(3).mp4";
}

void tst_JobPlanning::outputNameChoices()
{
    QFETCH(QString, output);
    QFETCH(int, choice);
    QFETCH(QString, expected);
    const QString name = numberedOutputFile(output, choice);
    QCOMPARE(name, expected);
    // No output name holds a blank, so a temporary name can never be another item's output.
    QVERIFY(!QFileInfo(name).fileName().contains(QLatin1Char(' ')));
    QVERIFY(QFileInfo(temporaryOutputFile(name)).fileName().contains(QLatin1Char(' ')));
}

void tst_JobPlanning::strictlyInside_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("inside");

    QTest::newRow("a child") << "/r/cache"
                             << "/r/cache/1" << true;
    QTest::newRow("a grandchild") << "/r/cache"
                                  << "/r/cache/1/64" << true;
    QTest::newRow("the root itself") << "/r/cache"
                                     << "/r/cache" << false;
    QTest::newRow("the root with a slash") << "/r/cache/"
                                           << "/r/cache" << false;
    QTest::newRow("child of a root given with a slash") << "/r/cache/"
                                                        << "/r/cache/1" << true;
    QTest::newRow("the parent") << "/r/cache"
                                << "/r" << false;
    QTest::newRow("a sibling sharing the prefix") << "/r/cache"
                                                  << "/r/cache2/1" << false;
    QTest::newRow("climbing out with dots") << "/r/cache"
                                            << "/r/cache/1/../../x" << false;
    QTest::newRow("the file system root as root") << "/"
                                                  << "/x" << true;
#ifdef Q_OS_WIN
    QTest::newRow("Windows: letters in other case") << "C:/R/Cache"
                                                    << "c:/r/cache/1" << true;
    QTest::newRow("Windows: backslashes") << "C:\\r\\cache"
                                          << "C:\\r\\cache\\1" << true;
    QTest::newRow("Windows: another drive") << "C:/r/cache"
                                            << "D:/r/cache/1" << false;
#endif
}

void tst_JobPlanning::strictlyInside()
{
    QFETCH(QString, root);
    QFETCH(QString, path);
    QFETCH(bool, inside);
    QCOMPARE(isStrictlyInside(root, path), inside);
}

void tst_JobPlanning::errorTailKeepsLastLineOnly()
{
    ErrorTail tail(64);
    for (int i = 0; i < 1000; ++i)
        tail.append("frame=  " + QByteArray::number(i) + " fps=25\r");
    tail.append("\n[out] Conversion failed!\n\n");
    QVERIFY(tail.size() <= 64);
    QCOMPARE(tail.lastLine(), QStringLiteral("[out] Conversion failed!"));
}

void tst_JobPlanning::progressFromFfmpeg_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("percent");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("audioSeconds"); // what ffmpeg found the second input to last

    const QByteArray inputs =
        "Input #0, mov,mp4, from 'video.m4s':\n  Duration: 00:01:40.00, start: 0.0\n"
        "Input #1, mov,mp4, from 'audio.m4s':\n  Duration: 00:00:50.00, start: 0.0\n"
        "Output #0, mp4, to 'a.mp4':\n";
    QTest::newRow("status line after the inputs")
        << QList<QByteArray> { inputs,
                               "frame=  10 size=  1kB time=00:00:42.00 bitrate=1k speed=1.8x \r" }
        << 42 << 1.8 << 50.0;
    QTest::newRow("latest of several, split mid-line")
        << QList<QByteArray> { inputs, "frame= 1 time=00:00:10.00 speed=2x\rframe= 2 time=00:0",
                               "1:15.50 speed=2.5x\r" }
        << 75 << 2.5 << 50.0;
    QTest::newRow("padded speed and an hour-long clock")
        << QList<QByteArray> { "Input #0, mov:\n  Duration: 02:00:00.00, start: 0\n",
                               "time=01:00:00.00 bitrate=N/A speed=  12x\r" }
        << 50 << 12.0 << -1.0;
    QTest::newRow("no duration: no percentage")
        << QList<QByteArray> { "Input #0, mov:\n  Duration: N/A, start: 0\n",
                               "time=00:00:05.00 speed=3x\r" }
        << -1 << 3.0 << -1.0;
    QTest::newRow("not started yet")
        << QList<QByteArray> { inputs, "time=N/A speed=N/A\r" } << -1 << -1.0 << 50.0;
    QTest::newRow("a restart begins anew")
        << QList<QByteArray> { inputs, "time=00:01:30.00 speed=4x\r",
                               "Input #0, mov:\n  Duration: 00:00:10.00, start: 0\n",
                               "time=00:00:01.00\r" }
        << 10 << -1.0 << -1.0;
    QTest::newRow("beyond the end stays at 100")
        << QList<QByteArray> { inputs, "time=00:01:41.00 speed=1x\r" } << 100 << 1.0 << 50.0;
}

void tst_JobPlanning::progressFromFfmpeg()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, percent);
    QFETCH(double, speed);
    QFETCH(double, audioSeconds);
    FfmpegProgressParser parser;
    for (const QByteArray &chunk : chunks)
        parser.feed(chunk);
    QCOMPARE(parser.progress().percent(), percent);
    QCOMPARE(parser.progress().speed, speed);
    QCOMPARE(parser.inputDuration(1), audioSeconds);
}

void tst_JobPlanning::bundledFfmpegComesFirst()
{
    QTemporaryDir app;
    QVERIFY2(app.isValid(), qPrintable(app.errorString()));
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QCOMPARE(locateFfmpeg(app.path()), onPath);

    const QString bundled = bundledFfmpegPath(app.path());
    QVERIFY(CacheBuilder::writeFile(bundled, "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(bundled, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(locateFfmpeg(app.path()), bundled);
#ifdef Q_OS_WIN
    QVERIFY(bundled.endsWith(QStringLiteral("/ffmpeg/bin/ffmpeg.exe")));
#else
    QVERIFY(bundled.endsWith(QStringLiteral("/ffmpeg/bin/ffmpeg")));
#endif
}

QTEST_GUILESS_MAIN(tst_JobPlanning)
#include "tst_jobplanning.moc"
