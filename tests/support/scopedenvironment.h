// SPDX-License-Identifier: MIT
#ifndef SCOPEDENVIRONMENT_H
#define SCOPEDENVIRONMENT_H

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "cachebuilder.h"

// Sets an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value) : name(name), old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { qputenv(name, old); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name;
    QByteArray old;
};

// Makes the ffmpeg stand-in the only "ffmpeg" on PATH, behaving as the mode says
// ("hang", "crash" or "fail"), for the lifetime of the object.
class FakeFfmpegOnPath
{
public:
    explicit FakeFfmpegOnPath(const QByteArray &mode)
        : linked(!CacheBuilder::placeProgram(QStringLiteral(FAKE_FFMPEG_PATH), tools.path(),
                                             QStringLiteral("ffmpeg"))
                      .isEmpty()),
          path("PATH", tools.path().toLocal8Bit()),
          fakeMode("VANTORO_FAKE_FFMPEG_MODE", mode)
    { }
    bool isValid() const { return tools.isValid() && linked; }

private:
    QTemporaryDir tools;
    bool linked;
    ScopedEnv path;
    ScopedEnv fakeMode;
};

#endif // SCOPEDENVIRONMENT_H
