// SPDX-License-Identifier: MIT
#ifndef CLIOPTIONS_H
#define CLIOPTIONS_H

#include <QString>
#include <QStringList>

// What the command line asks of vantoro-cli.
struct CliOptions
{
    bool deleteSource = false;
    bool dryRun = false;
    bool copy = false;
    bool quiet = false;
    bool check = false; // check converted outputs instead of converting
    QString ffmpeg; // absolute path, or empty to look it up as the window does
    QStringList folders; // absolute paths of existing folders
};

enum class CliParse {
    Run, // options are complete: convert
    Done, // --help or --version was answered
    UsageError, // message says what is wrong
};

// Reads the arguments (the program name first). On UsageError the message says why; on Done it
// holds the help or version text.
CliParse parseCliArguments(const QStringList &arguments, CliOptions *options, QString *message);

#endif // CLIOPTIONS_H
