// SPDX-License-Identifier: MIT
#ifndef CONVERSIONJOB_H
#define CONVERSIONJOB_H

#include <QString>
#include <QStringList>

// The texts one cache item needs: where its streams are, where its .mp4 goes, how ffmpeg is called.
struct ConversionJob
{
    QString videoFile;
    QString videoFolder;
    QString audioFile;
    QString itemFolder;
    QString entryJsonFile;
    QString outputFolder;
    QString outputName;
    QString outputFile;
    QString command;
    QString sourceTag; // what the output's metadata says it was made from
};

// Returns the part of the path in front of its last "/", or the whole path when it has none.
QString cutBeforeLastSlash(const QString &path);

// Fills the path fields of a job for a found video.m4s, up to and including outputFolder.
ConversionJob jobForVideoFile(const QString &videoFile, const QString &videoFolder);

// The command line as the program logs it.
QString ffmpegCommandText(const ConversionJob &job);

// The arguments ffmpeg is started with: both inputs, any extra options, then the output path.
QStringList ffmpegArguments(const ConversionJob &job, const QString &outputPath,
                            const QStringList &extraOutputArguments = {});

#endif // CONVERSIONJOB_H
