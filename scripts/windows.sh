#!/usr/bin/env bash
# Builds Vantoro for Windows from this Debian machine, tests both builds under Wine, and packs
# the zips Windows users download.
usage() {
    cat <<'EOF'
Usage: scripts/windows.sh [--test-if-ready | --toolchain | --help]

  (no option)      everything, as root: the toolchain once (about two hours on two cores),
                   both builds, each one's test suite under Wine of its own processor, and,
                   for each build whose suite passed, dist/vantoro-<version>-win64.zip and
                   dist/vantoro-<version>-win32.zip
  --test-if-ready  build and test only, when the toolchain and the packages are there
                   already; changes nothing on the machine, and exits with 77 when it skips
  --toolchain      only build the toolchain (Qt, ffmpeg and their libraries for Windows)
  --help           this text

The 32-bit build is tested under 32-bit Wine where this machine can run 32-bit programs (found
out by running one); where it cannot, that half is skipped, and says so.
EOF
}
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
source scripts/windows-toolchain.sh

case "${1:-}" in
"") mode=all ;;
--test-if-ready) mode=test ;;
--toolchain) mode=toolchain ;;
-h | --help)
    usage
    exit 0
    ;;
*)
    echo "scripts/windows.sh: unknown option '$1'" >&2
    usage >&2
    exit 2
    ;;
esac
if [ $# -gt 1 ]; then
    echo "scripts/windows.sh: one option at most" >&2
    usage >&2
    exit 2
fi
SKIPPED=77
version=$(sed -n 's/^project(Vantoro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# What did not run, and why, for the test command's closing list (and for the reader here).
skip() { # skip WHAT WHY
    echo "Skipped: $1: $2"
    [ -n "${VANTORO_SKIP_LOG:-}" ] && echo "Windows under Wine: $1: $2" >> "$VANTORO_SKIP_LOG"
    return 0
}

# True when this machine runs 32-bit x86 programs. Found out by running one: a 96-byte program
# made here that only exits with 42, so it needs no 32-bit library to be installed.
runs_32bit_programs() {
    local probe status
    probe=$(mktemp) || return 1
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    [ $status -eq 42 ]
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Why the 32-bit suite cannot run here, or nothing when it can.
why_no_32bit_tests() {
    if ! win_toolchain_ready i686; then
        echo "Qt and ffmpeg for 32-bit Windows are not built on this machine"
    elif ! runs_32bit_programs; then
        echo "this machine cannot run 32-bit programs (a 32-bit probe program did not run)"
    elif ! installed wine32:i386; then
        echo "32-bit Wine (wine32:i386) is not installed; scripts/windows.sh installs it as root"
    fi
}

# 32-bit Wine, where this machine runs 32-bit programs: Debian's wine32 from its i386 packages.
ensure_32bit_wine() {
    runs_32bit_programs || return 0
    installed wine32:i386 && return 0
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || return 1
    apt_get update -q && DEBIAN_FRONTEND=noninteractive apt_get install -y -q \
        --no-install-recommends wine32:i386
}

# build_windows ARCH FOLDER: cross-builds the programs and the tests for that processor.
build_windows() {
    local arch=$1 dir=$2
    PATH="$(posix_compilers "$arch"):$PATH" cmake -S . -B "$dir" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVANTORO_WIN_ARCH="$arch" \
        -DCMAKE_PREFIX_PATH="$(win_part "$arch" qt5)" -DVANTORO_LIBAV_PREFIX="$(win_part "$arch" libav)" \
        -DCMAKE_BUILD_TYPE=Release -DVANTORO_QT_MAJOR=5 -DVANTORO_BUILD_TESTS=ON \
        -DVANTORO_WARNINGS_AS_ERRORS=ON \
        && PATH="$(posix_compilers "$arch"):$PATH" cmake --build "$dir" -j "$(nproc)"
}

winepath_of() {
    echo "Z:${1//\//\\}"
}

# run_tests ARCH FOLDER: the suite under Wine of that processor, in a Wine prefix of its own,
# with that processor's ffmpeg.exe on Wine's PATH.
run_tests() {
    local arch=$1 dir=$2 wine server status
    if [ "$arch" = x86_64 ]; then
        wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
        export WINEARCH=win64
    else
        wine=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32
        export WINEARCH=win32
    fi
    export WINEPREFIX=$WIN_CACHE/$arch/wineprefix WINEDEBUG=-all
    export WINEPATH="$(winepath_of "$(win_part "$arch" ffmpeg)/bin")"
    # Streams in codecs the Windows ffmpeg can read but not write (HEVC, AV1, E-AC-3), made
    # here by Debian's ffmpeg for the codec tests.
    if ! "$PWD/tests/make-codec-streams.sh" "$dir/codec-streams"; then
        echo "Debian's ffmpeg could not make the codec test streams." >&2
        return 1
    fi
    export VANTORO_CODEC_STREAMS="$(winepath_of "$PWD/$dir/codec-streams")"
    [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init >/dev/null 2>&1
    # A crashing program (the stand-in ffmpeg crashes on purpose) must not wait for someone
    # to close Wine's crash dialog.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    # Let that server end: the one the tests use must start on the test display.
    "$server" -w 2>/dev/null
    # The windows need a display; Wine's helpers live in one persistent server for the run.
    echo "=== The $arch build's suite under $WINEARCH Wine"
    xvfb-run -a bash -c "$server -p 60 2>/dev/null; cd '$dir' && ctest --output-on-failure --timeout 900"
    status=$?
    "$server" -k 2>/dev/null
    scripts/ctest-skips.sh "$dir" "Windows under Wine ($arch)" >> "${VANTORO_SKIP_LOG:-/dev/null}"
    return $status
}

# make_zip ARCH FOLDER NAME [NOTE]: the folder users unpack, with that processor's ffmpeg.
make_zip() {
    local arch=$1 dir=$2 name=$3 triple qt ffmpeg src
    triple=$(win_triple "$arch")
    qt=$(win_part "$arch" qt5)
    ffmpeg=$(win_part "$arch" ffmpeg)
    src=$WIN_CACHE/src
    local stage=dist/$name
    rm -rf "$stage" "dist/$name.zip"
    mkdir -p "$stage/ffmpeg/bin" "$stage/translations" "$stage/licenses" || return 1
    cp "$dir/src/app/vantoro.exe" "$dir/src/cli/vantoro-cli.exe" "$stage/" \
        && "$triple-strip" "$stage/vantoro.exe" "$stage/vantoro-cli.exe" \
        && cp "$ffmpeg/bin/ffmpeg.exe" "$stage/ffmpeg/bin/" \
        && cp "$qt/translations/qtbase_zh_CN.qm" "$stage/translations/" || return 1
    # What the licences of what is shipped ask for: their texts, and where the sources are.
    cp LICENSE "$stage/licenses/Vantoro-MIT.txt" \
        && cp "$src/qtbase-opensource-src/unpacked/LICENSE.LGPL3" "$stage/licenses/Qt-LGPL-3.0.txt" \
        && cp "$src/qtbase-opensource-src/unpacked/LICENSE.GPL3" "$stage/licenses/Qt-GPL-3.0.txt" \
        && cp "$src/ffmpeg/unpacked/COPYING.LGPLv2.1" "$stage/licenses/FFmpeg-LGPL-2.1.txt" \
        && cp "$src/ffmpeg/unpacked/COPYING.GPLv2" "$stage/licenses/ffmpeg.exe-GPL-2.0.txt" \
        && cp "$src/dav1d/unpacked/COPYING" "$stage/licenses/dav1d-BSD-2-Clause.txt" || return 1
    sed -e "s/@VERSION@/$version/" \
        -e "s/@SOURCES@/$(source_version ffmpeg), $(source_version x264), $(source_version dav1d), $(source_version qtbase-opensource-src)/" \
        packaging/windows-sources.txt | sed 's/$/\r/' > "$stage/licenses/SOURCES.txt"
    sed "s/@VERSION@/$version/" packaging/windows-readme.txt | sed 's/$/\r/' > "$stage/README.txt"
    (cd dist && zip -qr9 "$name.zip" "$name") || return 1
    echo "Wrote dist/$name.zip${4:+ ($4)}"
}

# Two runs at once must never rebuild what the other is building.
lock_cache() {
    mkdir -p "$WIN_CACHE" || return 1
    exec 9>"$WIN_CACHE/.lock"
    if ! flock -n 9; then
        if [ "$mode" = test ]; then
            skip "both builds" "another scripts/windows.sh is using $WIN_CACHE right now"
            exit $SKIPPED
        fi
        echo "Another scripts/windows.sh is using $WIN_CACHE; waiting until it ends."
        flock 9
    fi
}

if [ "$mode" = test ]; then
    missing=$(win_missing_packages | tr '\n' ' ')
    if [ -n "$missing" ]; then
        skip "both builds" "the Windows build needs packages that are not installed: $missing(scripts/windows.sh, as root, installs them and builds the toolchain)"
        exit $SKIPPED
    fi
    if [ ! -d "$WIN_CACHE" ] || ! win_toolchain_ready x86_64; then
        skip "both builds" "Qt and ffmpeg for Windows are not built on this machine ($WIN_CACHE; scripts/windows.sh builds them once, in about two hours on two cores)"
        exit $SKIPPED
    fi
    lock_cache
else
    ensure_packages "${BUILD_PACKAGES[@]}" "${WIN_PACKAGES[@]}" || exit 1
    if [ "$(id -u)" -eq 0 ]; then
        enable_debian_sources || exit 1
        ensure_32bit_wine || exit 1
    fi
    lock_cache
    for arch in "${WIN_ARCHES[@]}"; do
        build_toolchain "$arch" || exit 1
    done
    [ "$mode" = toolchain ] && exit 0
fi

build_windows x86_64 build-win64 || exit 1
if ! run_tests x86_64 build-win64; then
    echo "The 64-bit build's tests failed under Wine: no zip is written." >&2
    exit 1
fi
[ "$mode" = all ] && { make_zip x86_64 build-win64 "vantoro-$version-win64" || exit 1; }

# The 32-bit build comes from the same sources; its suite runs wherever 32-bit Wine can.
win32_untested=$(why_no_32bit_tests)
if win_toolchain_ready i686; then
    build_windows i686 build-win32 || exit 1
fi
if [ -n "$win32_untested" ]; then
    skip "the 32-bit build's suite" "$win32_untested"
    [ "$mode" = all ] && win_toolchain_ready i686 \
        && { make_zip i686 build-win32 "vantoro-$version-win32" "built, not run here: $win32_untested" || exit 1; }
    exit 0
fi
if ! run_tests i686 build-win32; then
    echo "The 32-bit build's tests failed under 32-bit Wine: no 32-bit zip is written." >&2
    exit 1
fi
[ "$mode" = all ] && { make_zip i686 build-win32 "vantoro-$version-win32" || exit 1; }
exit 0
