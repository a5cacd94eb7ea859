// SPDX-License-Identifier: MIT
#include "output/outputfile.h"

#include <QFile>
#include <QFileInfo>

#include "files/heldfile.h"
#include "files/plainrename.h"

namespace {

const QLatin1String mp4Suffix(".mp4");

QString withoutMp4Suffix(const QString &path)
{
    return path.endsWith(mp4Suffix) ? path.left(path.size() - mp4Suffix.size()) : path;
}

} // namespace

PathOccupant occupantAt(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return PathOccupant::Foreign;
    if (!info.exists())
        return PathOccupant::Nothing;
    return info.isFile() ? PathOccupant::RegularFile : PathOccupant::Foreign;
}

QString temporaryOutputFile(const QString &outputFile)
{
    // Still ends in ".mp4", so ffmpeg picks the container from the name as usual.
    return withoutMp4Suffix(outputFile) + QStringLiteral(" .partial.mp4");
}

QString lockFileFor(const QString &outputFile)
{
    return temporaryOutputFile(outputFile) + QStringLiteral(".lock");
}

QString numberedOutputFile(const QString &outputFile, int n)
{
    if (n <= 1)
        return outputFile;
    return withoutMp4Suffix(outputFile) + QStringLiteral("(%1)").arg(n) + mp4Suffix;
}

Problem commitOutput(const QString &temporaryFile, const QString &outputFile)
{
    // Never over what stands at the name and never by copying (a copy into a dangling link
    // would land wherever the link points); the checks say why it was refused.
    const auto rename = [&] {
        return occupantAt(outputFile) == PathOccupant::Nothing
            && occupantAt(temporaryFile) == PathOccupant::RegularFile
            && renameWithoutReplacing(temporaryFile, outputFile);
    };
    if (whenNotHeld(temporaryFile, rename))
        return occupantAt(outputFile) == PathOccupant::RegularFile
            ? Problem()
            : Problem(Problem::RenameRefused, outputFile);
    return Problem(heldByAnotherProgram(temporaryFile) ? Problem::OutputHeld
                                                       : Problem::RenameRefused,
                   outputFile);
}
