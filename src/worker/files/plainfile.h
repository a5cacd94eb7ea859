// SPDX-License-Identifier: MIT
#ifndef PLAINFILE_H
#define PLAINFILE_H

#include <QString>
#include <QtGlobal>

// Which file a name led to, and as what: the file itself (not its name) on its volume, with its
// size and last change. Two looks that give equal identities saw the same, unchanged file.
struct FileIdentity
{
    quint64 volume = 0;
    quint64 file = 0;
    qint64 size = -1;
    qint64 modified = 0;

    bool isValid() const { return size >= 0; }
    bool operator==(const FileIdentity &other) const
    {
        return volume == other.volume && file == other.file && size == other.size
            && modified == other.modified;
    }
    bool operator!=(const FileIdentity &other) const { return !(*this == other); }
    // The same file or folder, whatever was written to it since.
    bool isSameFile(const FileIdentity &other) const
    {
        return isValid() && other.isValid() && volume == other.volume && file == other.file;
    }
};

// A plain file opened by its name: never through a link, and never a pipe, a device or a
// folder (which are recognised without waiting for anything, and not opened).
class PlainFile
{
public:
    enum Access { ReadOnly, ForFlushing };

    PlainFile(const QString &path, Access access);
    ~PlainFile();
    PlainFile(const PlainFile &) = delete;
    PlainFile &operator=(const PlainFile &) = delete;

    bool isOpen() const;
    // Something stands at the name, but it is a link, a folder, a pipe or a device.
    bool isNotPlain() const { return notPlain; }
    // Why it could not be opened, in the system's words.
    QString errorString() const { return error; }
    FileIdentity identity() const { return id; }
    // Writes what the system still holds of the file onto the disk itself.
    bool flush(QString *why);
    // Asks the system to bring these bytes from the disk into its cache now, ahead of a reader.
    // Only advice; Windows' cache reads ahead of a reader by itself, so nothing is asked there.
    void adviseReading(qint64 from, qint64 length) const;

private:
    // The file descriptor, or on Windows the HANDLE; -1 (INVALID_HANDLE_VALUE) when not open.
    qintptr handle = -1;
    bool notPlain = false;
    QString error;
    FileIdentity id;
};

// Writes the entries of a folder (the names of its files) onto the disk itself; false, with the
// system's words, when it cannot. Windows keeps them in its file system's journal: nothing to do.
bool flushFolder(const QString &folder, QString *why);

// The identity of the plain file at the path; an invalid one when there is none.
FileIdentity identityOf(const QString &path);

#endif // PLAINFILE_H
