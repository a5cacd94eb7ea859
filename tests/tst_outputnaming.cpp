// SPDX-License-Identifier: MIT
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "cachebuilder.h"
#include "debugcapture.h"
#include "threadobject.h"

class tst_OutputNaming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nameFromEntry_data();
    void nameFromEntry();
    void fallbackWhenUnreadable_data();
    void fallbackWhenUnreadable();
    void numbersFollowOneSequencePerThread();
    void filterDebugLines_data();
    void filterDebugLines();

private:
    QString nameFor(const QByteArray &content);
    QTemporaryDir dir;
    ThreadObject worker;
    int fileCount = 0;
};

QString tst_OutputNaming::nameFor(const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("item%1/entry.json").arg(++fileCount));
    if (!CacheBuilder::writeFile(path, content))
        return QStringLiteral("<could not write %1>").arg(path);
    return worker.getNameFromJson(path);
}

void tst_OutputNaming::initTestCase()
{
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
}

void tst_OutputNaming::nameFromEntry_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("numbered"); // expected is then followed by a number and ".mp4"

    QTest::newRow("subtitle wins over title")
        << QByteArray("{\"title\":\"Other\",\"shelf\":{\"download_subtitle\":\"Intro\"}}")
        << "Intro.mp4" << false;
    QTest::newRow("blanks in the subtitle are dropped")
        << QByteArray("{\"shelf\":{\"download_subtitle\":\"P1 Intro\"}}") << "P1Intro.mp4" << false;
    QTest::newRow("first closing braces before the value take the rest")
        << QByteArray("{\"a\":{\"b\":1}},\"download_subtitle\":\"Late\"}}") << "Late}}.mp4"
        << false;
    QTest::newRow("title gives five characters and a number")
        << QByteArray("{\"title\":\"Hello world\"}") << "Hello" << true;
    QTest::newRow("short title keeps what follows it")
        << QByteArray("{\"title\":\"Hi\",\"mood\":1}") << "Hi," << true;
    QTest::newRow("blank after the title colon")
        << QByteArray("{\"title\": \"Abcdef\"}") << "Abcd" << true;
    QTest::newRow("title key in other case is no marker")
        << QByteArray("{\"Title\":\"Abc\"}") << "" << true;
    QTest::newRow("no marker at all") << QByteArray("[\"teal\", 7]") << "" << true;
    QTest::newRow("empty file") << QByteArray() << "" << true;
    QTest::newRow("classic forbidden characters removed")
        << QByteArray("{\"download_subtitle\":\"a/b:c*d?e<f>g\\\\h\"}}") << "abcdefgh.mp4" << false;
    QTest::newRow("vertical bar and tab removed")
        << QByteArray("{\"download_subtitle\":\"a|b\tc\"}}") << "abc.mp4" << false;
    QTest::newRow("only forbidden characters and blanks: never just the suffix")
        << QByteArray("{\"download_subtitle\":\" /:* \"}}") << "_.mp4" << false;
    QTest::newRow("marker at the very end")
        << QByteArray("{\"x\":1,\"download_subtitle\":") << "_.mp4" << false;
    QTest::newRow("a subtitle of dots is not hidden")
        << QByteArray("{\"download_subtitle\":\"..\"}}") << "_...mp4" << false;
    QTest::newRow("a title of dots is not hidden")
        << QByteArray("{\"title\":\"...\",\"x\":1}") << "_...," << true;
    QTest::newRow("JSON escapes are decoded")
        << QByteArray("{\"download_subtitle\":\"\\u7b2c1\\u96c6 Caf\\u00e9\"}}")
        << QStringLiteral("第1集Café.mp4") << false;
    QTest::newRow("a surrogate pair is one character")
        << QByteArray("{\"download_subtitle\":\"A\\uD83D\\ude00\"}}")
        << QStringLiteral("A\U0001F600.mp4") << false;
    QTest::newRow("half a surrogate pair becomes a replacement character")
        << QByteArray("{\"download_subtitle\":\"A\\ud83dB\"}}") << QStringLiteral("A\uFFFDB.mp4")
        << false;
    QTest::newRow("a high surrogate before an escape that is no low one")
        << QByteArray("{\"download_subtitle\":\"A\\ud83d\\u0042\"}}")
        << QStringLiteral("A\uFFFDB.mp4") << false;
    QTest::newRow("escaped quotes, slashes, line feeds and zeros are filtered")
        << QByteArray("{\"download_subtitle\":\"a\\\"b\\\\c\\/d\\ne\\tf\\u0000g\"}}")
        << "abcdefg.mp4" << false;
    QTest::newRow("what is no JSON escape stays as it was")
        << QByteArray("{\"download_subtitle\":\"a\\x41\\u12\"}}") << "ax41u12.mp4" << false;
    QTest::newRow("a title takes six characters after decoding")
        << QByteArray("{\"title\":\"\\u4f60\\u597d\\u4e16\\u754c\\u548c\\u5e73\"}")
        << QStringLiteral("你好世界和") << true;
    QTest::newRow("no closing braces: line feeds do not reach the name")
        << QByteArray("{\"download_subtitle\":\"Part\none\"\n}") << "Partone}.mp4" << false;
    QTest::newRow("CR LF line ends")
        << QByteArray("{\r\n\"download_subtitle\":\"A\r\nB\"}}\r\n") << "AB.mp4" << false;
    QTest::newRow("decoding stops at a zero byte")
        << QByteArray("{\"download_subtitle\":\"Ab\0cd\"}}", 28) << "Ab.mp4" << false;
    QTest::newRow("invalid UTF-8 becomes a replacement character")
        << QByteArray("{\"download_subtitle\":\"A\xff B\"}}") << QStringLiteral("A\uFFFDB.mp4")
        << false;
    QTest::newRow("a Windows device name gets an underscore")
        << QByteArray("{\"download_subtitle\":\"CON\"}}") << "CON_.mp4" << false;
    QTest::newRow("a device name in lower case, with a dot after it")
        << QByteArray("{\"download_subtitle\":\"com1.part\"}}") << "com1_.part.mp4" << false;
    QTest::newRow("a name that only starts like a device stays")
        << QByteArray("{\"download_subtitle\":\"Console\"}}") << "Console.mp4" << false;
    QTest::newRow("Chinese subtitle")
        << QStringLiteral("{\"download_subtitle\":\"第1集 开始\"}}").toUtf8()
        << QStringLiteral("第1集开始.mp4") << false;
    QTest::newRow("Chinese title") << QStringLiteral("{\"title\":\"你好世界和平\"}").toUtf8()
                                   << QStringLiteral("你好世界和") << true;
    QTest::newRow("long ASCII name is cut to 240 bytes")
        << (QByteArray("{\"download_subtitle\":\"") + QByteArray(300, 'a') + "\"}}")
        << QString(236, QLatin1Char('a')) + QStringLiteral(".mp4") << false;
    QTest::newRow("long Chinese name is cut between characters")
        << (QByteArray("{\"download_subtitle\":\"") + QString(100, QChar(0x9577)).toUtf8() + "\"}}")
        << QString(78, QChar(0x9577)) + QStringLiteral(".mp4") << false;
    const QString emoji = QStringLiteral("\U0001F600");
    QTest::newRow("surrogate pairs are never split")
        << (QByteArray("{\"download_subtitle\":\"") + emoji.repeated(70).toUtf8() + "\"}}")
        << emoji.repeated(59) + QStringLiteral(".mp4") << false;
    QTest::newRow("name of exactly 240 bytes stays whole")
        << (QByteArray("{\"download_subtitle\":\"") + QByteArray(236, 'b') + "\"}}")
        << QString(236, QLatin1Char('b')) + QStringLiteral(".mp4") << false;
}

void tst_OutputNaming::nameFromEntry()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(bool, numbered);

    const QString name = nameFor(content);
    if (numbered) {
        const QRegularExpression pattern(QLatin1Char('^') + QRegularExpression::escape(expected)
                                         + QStringLiteral("\\d+\\.mp4$"));
        QVERIFY2(pattern.match(name).hasMatch(), qPrintable(name));
    } else {
        QCOMPARE(name, expected);
    }
    QVERIFY(name.toUtf8().size() <= 240);
}

void tst_OutputNaming::fallbackWhenUnreadable_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("no such file") << dir.filePath(QStringLiteral("missing/entry.json"));
    QTest::newRow("a folder named entry.json") << dir.filePath(QStringLiteral("folder/entry.json"));
    // Neither may block or flood the run: a pipe never ends, a device never stops giving.
    QTest::newRow("a pipe named entry.json") << dir.filePath(QStringLiteral("pipe/entry.json"));
    QTest::newRow("a link to an endless device")
        << dir.filePath(QStringLiteral("device/entry.json"));
    QTest::newRow("larger than a megabyte") << dir.filePath(QStringLiteral("large/entry.json"));
    QTest::newRow("a sparse file of several GiB")
        << dir.filePath(QStringLiteral("sparse/entry.json"));
}

void tst_OutputNaming::fallbackWhenUnreadable()
{
    QFETCH(QString, path);
    QDir().mkpath(dir.filePath(QStringLiteral("folder/entry.json")));
    QDir().mkpath(dir.filePath(QStringLiteral("pipe")));
#ifdef Q_OS_UNIX
    ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe/entry.json"))).constData(), 0600);
    QDir().mkpath(dir.filePath(QStringLiteral("device")));
    QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("device/entry.json")));
#endif
    if (!QFile::exists(dir.filePath(QStringLiteral("large/entry.json"))))
        CacheBuilder::writeFile(dir.filePath(QStringLiteral("large/entry.json")),
                                "{\"download_subtitle\":\"Big\"}}" + QByteArray(1024 * 1024, ' '));
    if (!QFile::exists(dir.filePath(QStringLiteral("sparse/entry.json")))) {
        CacheBuilder::writeFile(dir.filePath(QStringLiteral("sparse/entry.json")),
                                "{\"download_subtitle\":\"Huge\"}}");
        QFile sparse(dir.filePath(QStringLiteral("sparse/entry.json")));
        QVERIFY(sparse.resize(qint64(6) << 30));
    }
    DebugCapture debug;
    QCOMPARE(worker.getNameFromJson(path), QStringLiteral("destname.mp4"));
    QCOMPARE(debug.lines().size(), 1);
    QVERIFY(debug.lines().first().contains(QStringLiteral("getNameFromJson")));
}

void tst_OutputNaming::numbersFollowOneSequencePerThread()
{
    const QString path = dir.filePath(QStringLiteral("untitled/entry.json"));
    QVERIFY(CacheBuilder::writeFile(path, QByteArray("{\"title\":\"Clip\"}")));

    // Each fresh thread starts the unseeded generator over, so both threads name alike.
    auto namesInFreshThread = [&] {
        QStringList names;
        QThread *thread = QThread::create([&] {
            ThreadObject local;
            for (int i = 0; i < 3; ++i)
                names << local.getNameFromJson(path);
        });
        thread->start();
        thread->wait();
        delete thread;
        return names;
    };
    const QStringList first = namesInFreshThread();
    const QStringList second = namesInFreshThread();
    QCOMPARE(first.size(), 3);
    QCOMPARE(first, second);
    // The numbers Qt 5's unseeded qrand() gives, so Qt 5 and Qt 6 builds name alike.
#ifdef Q_OS_WIN
    QCOMPARE(first.mid(0, 2), QStringList({ "Clip41.mp4", "Clip18467.mp4" }));
#else
    QCOMPARE(first.mid(0, 2), QStringList({ "Clip48271.mp4", "Clip182605794.mp4" }));
#endif
    QVERIFY2(first.at(0) != first.at(1), qPrintable(first.join(QLatin1Char(' '))));
    for (const QString &name : first)
        QVERIFY2(QRegularExpression(QStringLiteral("^Clip\\d+\\.mp4$")).match(name).hasMatch(),
                 qPrintable(name));
}

void tst_OutputNaming::filterDebugLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("adjusted");
    QTest::addColumn<int>("removed");

    QTest::newRow("nothing to remove") << "plain"
                                       << "plain" << 0;
    QTest::newRow("empty name") << ""
                                << "" << 0;
    QTest::newRow("three removed left to right") << "\"a:b/\""
                                                 << "ab" << 4;
    QTest::newRow("control character and bar") << "x\x01y|z"
                                               << "xyz" << 2;
}

void tst_OutputNaming::filterDebugLines()
{
    QFETCH(QString, name);
    QFETCH(QString, adjusted);
    QFETCH(int, removed);

    DebugCapture debug;
    worker.fileNameAdjust(name);
    QCOMPARE(name, adjusted);

    // 2k + 1 lines: alternating, beginning and ending with the plain one.
    const QStringList lines = debug.lines();
    QCOMPARE(lines.size(), 2 * removed + 1);
    for (int i = 0; i < lines.size(); ++i) {
        const QString expected = i % 2 == 0 ? QStringLiteral(" fileNameAdjust ")
                                            : QStringLiteral(" fileNameAdjust  is_legal! ");
        QCOMPARE(lines.at(i), expected);
    }
}

QTEST_GUILESS_MAIN(tst_OutputNaming)
#include "tst_outputnaming.moc"
