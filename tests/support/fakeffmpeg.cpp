// SPDX-License-Identifier: MIT
// Stands in for ffmpeg where a test needs a fault the real one cannot be made to show.
// VANTORO_FAKE_FFMPEG_MODE chooses it: "hang" writes part of the output and never ends,
// "crash" writes part of it and aborts, "fail" writes part of it and exits with code 1,
// "garbage" writes part of it and exits with 0, as ffmpeg 5.1 does on a full disk; "nospace"
// says, before its last line, that the disk is full, and exits with code 1; "slow" waits a
// second, then has the real ffmpeg on PATH do the work.
// The output is the last argument, as with ffmpeg. VANTORO_FAKE_FFMPEG_PIDFILE, when set, names
// a file it writes its process id into, so a test can see whether it still runs.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QByteArray mode = qgetenv("VANTORO_FAKE_FFMPEG_MODE");
    if (arguments.size() < 2)
        return 2;
    if (mode == "slow") {
        QThread::sleep(1);
        QProcess ffmpeg;
        ffmpeg.setProcessChannelMode(QProcess::ForwardedChannels);
        ffmpeg.start(QStringLiteral("ffmpeg"), arguments.mid(1));
        ffmpeg.waitForFinished(-1);
        return ffmpeg.exitStatus() == QProcess::NormalExit ? ffmpeg.exitCode() : 1;
    }
    const QString pidFile = QString::fromLocal8Bit(qgetenv("VANTORO_FAKE_FFMPEG_PIDFILE"));
    QFile pid(pidFile);
    if (!pidFile.isEmpty() && pid.open(QIODevice::WriteOnly))
        pid.write(QByteArray::number(QCoreApplication::applicationPid()));
    pid.close();
    QFile output(arguments.last());
    if (output.open(QIODevice::WriteOnly))
        output.write(QByteArray(1024, 'x'));
    output.close();

    std::fprintf(stderr, "frame=   10 fps=0.0 q=-1.0 size=       1kB time=00:00:01.00\r");
    std::fflush(stderr);
    if (mode == "hang") {
        for (;;)
            QThread::sleep(1);
    }
    if (mode == "crash") {
#ifdef Q_OS_WIN
        // abort() on Windows is an ordinary exit with code 3. A crash ends with the code of its
        // fault (access violation), which is what is given here, without waking a debugger.
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
#endif
        std::abort();
    }
    if (mode == "garbage")
        return 0;
    if (mode == "nospace")
        std::fprintf(stderr, "\nav_interleaved_write_frame(): No space left on device\n");
    std::fprintf(stderr, "\nConversion failed!\n");
    return 1;
}
