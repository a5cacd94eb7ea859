// SPDX-License-Identifier: MIT
#include "clioptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// A program named without a folder is looked up on PATH; any other path is pinned down now,
// since conversions run with the program's own folder as the current one.
QString resolveProgram(const QString &program)
{
    if (!program.contains(QLatin1Char('/')) && !program.contains(QLatin1Char('\\'))) {
        const QString found = QStandardPaths::findExecutable(program);
        return found.isEmpty() ? program : found;
    }
    return QFileInfo(program).absoluteFilePath();
}

} // namespace

CliParse parseCliArguments(const QStringList &arguments, CliOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts every downloaded video cache item (video.m4s, audio.m4s, entry.json) below\n"
        "each FOLDER into an .mp4 beside the item's folder, exactly as the Vantoro window does.\n"
        "Exits with 0 when all went well, 1 when anything needs attention, 2 for a usage error,\n"
        "and 130 when interrupted (Ctrl-C, a termination request, a closed terminal).\n"
        "\n"
        "With --check, converts nothing: every .mp4 below each FOLDER that Vantoro made is read\n"
        "whole and compared with the checksums it recorded of its own data when it was made, so\n"
        "a library copied to another disk, a phone or a NAS can be checked without its sources.\n"
        "Each gets a line: sound; damaged (which stream, from where, or its record of checksums);\n"
        "or cannot be checked (made by an earlier version, which recorded no checksums, or not\n"
        "readable). Other .mp4 files are counted and left out. Exits with 0 when nothing is\n"
        "damaged or unreadable, 1 when anything is, 2 for a usage error, 130 when interrupted.\n"
        "Changes nothing."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption deleteSource(
        QStringLiteral("delete-source"),
        QStringLiteral("Remove an item's sources once its .mp4 is read back whole, to its last "
                       "byte."));
    const QCommandLineOption ffmpeg(
        QStringLiteral("ffmpeg"),
        QStringLiteral("Use this ffmpeg instead of the one beside the program or on PATH."),
        QStringLiteral("PATH"));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral(
            "List each item, its output name and whether it would be converted; change nothing."));
    const QCommandLineOption copy(
        QStringLiteral("copy"),
        QStringLiteral("Copy the streams instead of encoding them again (lossless, much faster)."));
    const QCommandLineOption quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
                                   QStringLiteral("Print only failures."));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Check the .mp4 files Vantoro made below each FOLDER against the "
                       "checksums they recorded; convert and change nothing."));
    parser.addOptions({ help, version, deleteSource, ffmpeg, dryRun, copy, quiet, check });
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("A folder of video cache."),
                                 QStringLiteral("FOLDER..."));

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return CliParse::UsageError;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return CliParse::Done;
    }
    if (parser.isSet(version)) {
        *message = QStringLiteral("vantoro-cli %1").arg(QStringLiteral(VANTORO_VERSION));
        return CliParse::Done;
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.isEmpty()) {
        *message = QStringLiteral("Name at least one FOLDER (see --help).");
        return CliParse::UsageError;
    }
    QStringList seen;
    for (const QString &folder : folders) {
        const QFileInfo info(folder);
        if (!info.isDir()) {
            *message = QStringLiteral("Not a folder: %1").arg(folder);
            return CliParse::UsageError;
        }
        // A folder named twice (or by two spellings) is walked once.
        if (seen.contains(info.canonicalFilePath()))
            continue;
        seen << info.canonicalFilePath();
        options->folders << info.absoluteFilePath();
    }
    if (parser.isSet(check)) {
        for (const QCommandLineOption &converting : { deleteSource, ffmpeg, dryRun, copy }) {
            if (parser.isSet(converting)) {
                *message = QStringLiteral("--check converts nothing: it takes no --%1")
                               .arg(converting.names().first());
                return CliParse::UsageError;
            }
        }
    }
    options->check = parser.isSet(check);
    options->deleteSource = parser.isSet(deleteSource);
    options->dryRun = parser.isSet(dryRun);
    options->copy = parser.isSet(copy);
    options->quiet = parser.isSet(quiet);
    if (parser.isSet(ffmpeg))
        options->ffmpeg = resolveProgram(parser.value(ffmpeg));
    return CliParse::Run;
}
