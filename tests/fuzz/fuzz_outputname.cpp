// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes as entry.json and checks what every output name must satisfy.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "output/outputnaming.h"

namespace {

[[noreturn]] void fail(const char *what, const QString &name)
{
    std::fprintf(stderr, "bad output name (%s): %s\n", what, name.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("entry.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    QString text;
    Problem problem;
    const QString name = readEntryText(path, &text, &problem)
        ? outputNameFromText(text, nextNameNumber())
        : fallbackOutputName;
    if (!name.endsWith(QLatin1String(".mp4")))
        fail("no .mp4 ending", name);
    if (name.toUtf8().size() > maxFileNameBytes)
        fail("too long", name);
    if (name.startsWith(QLatin1Char('.')))
        fail("hidden", name);
    for (const QChar c : name) {
        if (c == QLatin1Char(' ') || c.unicode() < 0x20
            || QStringLiteral("\\/:*?\"<>|").contains(c))
            fail("forbidden character", name);
    }
    const QString target = QDir::cleanPath(dir.path() + QLatin1Char('/') + name);
    if (QFileInfo(target).absolutePath() != QDir::cleanPath(dir.path()))
        fail("leaves the output folder", name);
    return 0;
}
