// SPDX-License-Identifier: MIT
// Compiles the Windows resource scripts of both programs with the MinGW windres and reads the
// results back: the icon Explorer and the windows show, and every field of the version block.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

struct Resource
{
    int type = 0;
    QString name; // a string name, or the number as text
    int language = 0;
    QByteArray data;
};

quint16 u16(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}
quint32 u32(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}
int align4(int at)
{
    return (at + 3) & ~3;
}

// A name or number field of a .res entry header; advances past it.
QString nameOrNumber(const QByteArray &data, int &at)
{
    if (u16(data, at) == 0xFFFF) {
        const quint16 number = u16(data, at + 2);
        at += 4;
        return QString::number(number);
    }
    QString text;
    for (; u16(data, at); at += 2)
        text += QChar(u16(data, at));
    at += 2;
    return text;
}

QList<Resource> readResFile(const QByteArray &data)
{
    QList<Resource> resources;
    int at = 0;
    while (at + 8 <= data.size()) {
        const quint32 dataSize = u32(data, at);
        const quint32 headerSize = u32(data, at + 4);
        int field = at + 8;
        Resource resource;
        resource.type = nameOrNumber(data, field).toInt();
        resource.name = nameOrNumber(data, field);
        field = align4(field);
        resource.language = u16(data, field + 6);
        resource.data = data.mid(at + int(headerSize), int(dataSize));
        if (resource.type != 0) // the file starts with an empty marker entry
            resources << resource;
        at = align4(at + int(headerSize) + int(dataSize));
    }
    return resources;
}

// One node of a version block: key, value bytes, children.
struct VersionNode
{
    QString key;
    QByteArray value;
    bool isText = false;
    QList<VersionNode> children;

    const VersionNode *child(const QString &name) const
    {
        for (const VersionNode &node : children) {
            if (node.key == name)
                return &node;
        }
        return nullptr;
    }
    QString text() const
    {
        QString result;
        for (int i = 0; i + 1 < value.size(); i += 2)
            result += QChar(u16(value, i));
        while (result.endsWith(QChar(0)))
            result.chop(1);
        return result;
    }
};

VersionNode readVersionNode(const QByteArray &data, int at)
{
    VersionNode node;
    const int end = at + u16(data, at);
    const int valueLength = u16(data, at + 2);
    node.isText = u16(data, at + 4) == 1;
    int field = at + 6;
    for (; u16(data, field); field += 2)
        node.key += QChar(u16(data, field));
    field = align4(field + 2);
    const int valueBytes = node.isText ? valueLength * 2 : valueLength;
    node.value = data.mid(field, valueBytes);
    field = align4(field + valueBytes);
    while (field < end) {
        node.children << readVersionNode(data, field);
        field = align4(field + u16(data, field));
    }
    return node;
}

} // namespace

class tst_WindowsResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void iconIsOne32BitImageWithMask_data();
    void iconIsOne32BitImageWithMask();
    void fixedVersionInfo_data();
    void fixedVersionInfo();
    void versionStrings_data();
    void versionStrings();
    void translation_data();
    void translation();

private:
    struct Compiled
    {
        QList<Resource> resources;
        VersionNode version;
        const Resource *find(int type) const
        {
            for (const Resource &resource : resources) {
                if (resource.type == type)
                    return &resource;
            }
            return nullptr;
        }
    };
    // Each program's compiled script, by the program's name.
    QHash<QString, Compiled> programs;
    // A row per program for tests that check each the same way.
    void eachProgram();
};

void tst_WindowsResources::eachProgram()
{
    QTest::addColumn<QString>("program");
    for (const QString &program :
         { QStringLiteral("vantoro.exe"), QStringLiteral("vantoro-cli.exe") })
        QTest::newRow(qPrintable(program)) << program;
}

void tst_WindowsResources::initTestCase()
{
#ifdef Q_OS_WIN
    QSKIP("MinGW's windres and the host preprocessor run on the build machine, not on Windows");
#endif
    const QString windres =
        QStandardPaths::findExecutable(QStringLiteral("i686-w64-mingw32-windres"));
    if (windres.isEmpty())
        QSKIP("i686-w64-mingw32-windres is not available (Debian: binutils-mingw-w64-i686)");
    // The scripts need no Windows headers, so the host preprocessor will do.
    QTemporaryDir out;
    QVERIFY2(out.isValid(), qPrintable(out.errorString()));
    for (const QString &program : { QStringLiteral("vantoro"), QStringLiteral("vantoro-cli") }) {
        const QString res = out.filePath(program + QStringLiteral(".res"));
        QProcess compile;
        compile.start(windres,
                      { QStringLiteral("--preprocessor=cpp"),
                        QStringLiteral("--preprocessor-arg=-xc"), QStringLiteral("-I"),
                        QStringLiteral(RESOURCES_DIR), QStringLiteral("-O"), QStringLiteral("res"),
                        QStringLiteral(RESOURCES_DIR "/") + program + QStringLiteral(".rc"), res });
        QVERIFY(compile.waitForFinished(60000));
        QVERIFY2(compile.exitCode() == 0, compile.readAllStandardError().constData());
        QFile file(res);
        QVERIFY(file.open(QIODevice::ReadOnly));
        Compiled &compiled = programs[program + QStringLiteral(".exe")];
        compiled.resources = readResFile(file.readAll());
        for (const Resource &resource : compiled.resources)
            QCOMPARE(resource.language, 1033);
        const Resource *block = compiled.find(16);
        QVERIFY(block);
        QCOMPARE(block->name, QStringLiteral("1"));
        compiled.version = readVersionNode(block->data, 0);
        QCOMPARE(compiled.version.key, QStringLiteral("VS_VERSION_INFO"));
    }
}

void tst_WindowsResources::iconIsOne32BitImageWithMask_data()
{
    eachProgram();
}

void tst_WindowsResources::iconIsOne32BitImageWithMask()
{
    QFETCH(QString, program);
    const Compiled &compiled = programs.value(program);
    const Resource *group = compiled.find(14);
    QVERIFY(group);
    QCOMPARE(group->name, QStringLiteral("IDI_ICON1"));
    QCOMPARE(u16(group->data, 4), quint16(1)); // one image
    const int bytes = int(u32(group->data, 6 + 8));
    const Resource *icon = compiled.find(3);
    QVERIFY(icon);
    QCOMPARE(QString::number(u16(group->data, 6 + 12)), icon->name);
    QCOMPARE(bytes, 4264);
    QCOMPARE(icon->data.size(), 4264);
    QCOMPARE(u32(icon->data, 0), 40u); // a plain bitmap header
    QCOMPARE(qint32(u32(icon->data, 4)), 32); // width
    QCOMPARE(qint32(u32(icon->data, 8)), 64); // colour image and mask
    QCOMPARE(u16(icon->data, 14), quint16(32)); // bits per pixel
    QCOMPARE(40 + 32 * 32 * 4 + 32 * 4, icon->data.size());
}

void tst_WindowsResources::fixedVersionInfo_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("offset");
    QTest::addColumn<quint32>("expected");
    const QList<QPair<const char *, QPair<int, quint32>>> fields {
        { "signature", { 0, 0xFEEF04BDu } },
        { "file version high", { 8, 0u } },
        { "file version low", { 12, 0u } },
        { "product version high", { 16, 0u } },
        { "product version low", { 20, 0u } },
        { "flags mask", { 24, 0x3Fu } },
        { "flags", { 28, 0u } },
        { "32-bit Windows", { 32, 4u } },
        { "an application, not a library", { 36, 1u } },
        { "subtype", { 40, 0u } },
        { "date high", { 44, 0u } },
        { "date low", { 48, 0u } },
    };
    for (const QString &program :
         { QStringLiteral("vantoro.exe"), QStringLiteral("vantoro-cli.exe") })
        for (const auto &field : fields)
            QTest::addRow("%s: %s", qPrintable(program), field.first)
                << program << field.second.first << field.second.second;
}

void tst_WindowsResources::fixedVersionInfo()
{
    QFETCH(QString, program);
    QFETCH(int, offset);
    QFETCH(quint32, expected);
    const VersionNode &version = programs.value(program).version;
    QCOMPARE(version.value.size(), 52);
    QCOMPARE(u32(version.value, offset), expected);
}

void tst_WindowsResources::versionStrings_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    for (const QString &program :
         { QStringLiteral("vantoro.exe"), QStringLiteral("vantoro-cli.exe") }) {
        const bool cli = program == QLatin1String("vantoro-cli.exe");
        const QList<QPair<QString, QString>> strings {
            { "CompanyName", "" },
            { "FileDescription", cli ? "Vantoro video cache converter for the command line" : "" },
            { "FileVersion", "0.0.0.0" },
            { "LegalCopyright", "" },
            { "OriginalFilename", cli ? "vantoro-cli.exe" : "Vantoro.exe" },
            { "ProductName", "Vantoro" },
            { "ProductVersion", "0.0.0.0" },
        };
        for (const auto &string : strings)
            QTest::addRow("%s: %s", qPrintable(program), qPrintable(string.first))
                << program << string.first << string.second;
    }
}

void tst_WindowsResources::versionStrings()
{
    QFETCH(QString, program);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const VersionNode &version = programs.value(program).version;
    const VersionNode *strings = version.child(QStringLiteral("StringFileInfo"));
    QVERIFY(strings);
    QCOMPARE(strings->children.size(), 1);
    const VersionNode *table = strings->child(QStringLiteral("040904b0"));
    QVERIFY(table);
    QCOMPARE(table->children.size(), 7);
    const VersionNode *entry = table->child(key);
    QVERIFY2(entry, qPrintable(key));
    QCOMPARE(entry->text(), expected);
}

void tst_WindowsResources::translation_data()
{
    eachProgram();
}

void tst_WindowsResources::translation()
{
    QFETCH(QString, program);
    const VersionNode *variables =
        programs.value(program).version.child(QStringLiteral("VarFileInfo"));
    QVERIFY(variables);
    const VersionNode *translation = variables->child(QStringLiteral("Translation"));
    QVERIFY(translation);
    QCOMPARE(translation->value.size(), 4);
    QCOMPARE(u16(translation->value, 0), quint16(0x0409));
    QCOMPARE(u16(translation->value, 2), quint16(1200));
}

QTEST_GUILESS_MAIN(tst_WindowsResources)
#include "tst_windowsresources.moc"
