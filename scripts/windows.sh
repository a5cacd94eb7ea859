#!/usr/bin/env bash
# Builds Vantoro for 32-bit Windows from this Debian machine, runs the test suite under Wine, and
# writes dist/vantoro-<version>-win32.zip, the package Windows users download.
#
#   scripts/windows.sh                  everything: toolchain (once), build, tests, zip
#   scripts/windows.sh --test-if-ready  the build and the tests, only when the toolchain is
#                                       built already (the test command's Windows stage)
#
# Qt and ffmpeg for Windows are built once from Debian's sources into a cache outside the tree
# (scripts/windows-toolchain.sh). The tests run under Wine: the 32-bit build where this
# machine's kernel can run 32-bit programs, else the same sources built for 64-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-all}

source scripts/windows-toolchain.sh
version=$(sed -n 's/^project(Vantoro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# build_windows ARCH FOLDER: cross-builds the programs and tests against that arch's Qt.
build_windows() {
    local arch=$1 dir=$2
    select_win_arch "$arch"
    prepare_win32_toolchain
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVANTORO_WIN_ARCH="$arch" \
        -DCMAKE_PREFIX_PATH="$WIN32_QT" -DCMAKE_BUILD_TYPE=Release -DVANTORO_QT_MAJOR=5 \
        -DVANTORO_BUILD_TESTS=ON -DVANTORO_WARNINGS_AS_ERRORS=ON
    cmake --build "$dir" -j "$(nproc)"
}

# True when this kernel runs 32-bit x86 programs (Wine's 32-bit loader is one).
can_run_32bit() {
    [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# run_tests ARCH FOLDER: the suite under Wine, with the Windows ffmpeg on Wine's PATH.
run_tests() {
    local arch=$1 dir=$2
    select_win_arch "$arch"
    export WINEPREFIX=$WIN32_CACHE/wineprefix-$arch WINEDEBUG=-all
    export WINEPATH="$(winepath_of "$WIN32_FFMPEG/bin")"
    wineboot_once
    # The windows need a display; Wine's helpers live in one persistent server for the run.
    xvfb-run -a bash -c "$(wine_server) -p 60 2>/dev/null; cd '$dir' && ctest --output-on-failure --timeout 900"
    local status=$?
    "$(wine_server)" -k 2>/dev/null || true
    return $status
}

winepath_of() {
    echo "Z:${1//\//\\}"
}

wine_server() {
    if [ "$WIN_ARCH" = x86_64 ]; then echo /usr/lib/wine/wineserver64; else echo /usr/lib/wine/wineserver32; fi
}

wineboot_once() {
    local wine=wine
    [ "$WIN_ARCH" = x86_64 ] && wine=/usr/lib/wine/wine64
    [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init >/dev/null 2>&1 || true
    # A crashing program (the stand-in ffmpeg crashes on purpose) must not wait for someone
    # to close Wine's crash dialog.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || true
    # Let that server end: the one the tests use must start on the test display.
    "$(wine_server)" -w 2>/dev/null || true
}

make_zip() {
    local dir=$1 name=vantoro-$version-win32
    local stage=dist/$name
    rm -rf "$stage" "dist/$name.zip"
    mkdir -p "$stage/ffmpeg/bin" "$stage/translations" "$stage/licenses"
    cp "$dir/src/app/vantoro.exe" "$dir/src/cli/vantoro-cli.exe" "$stage/"
    i686-w64-mingw32-strip "$stage/vantoro.exe" "$stage/vantoro-cli.exe"
    cp "$WIN32_FFMPEG/bin/ffmpeg.exe" "$WIN32_FFMPEG/bin/ffprobe.exe" "$stage/ffmpeg/bin/"
    cp "$WIN32_QT/translations/qtbase_zh_CN.qm" "$stage/translations/"
    # What Qt's LGPL and ffmpeg's LGPL ask for what is shipped: their licence texts.
    cp LICENSE "$stage/licenses/Vantoro-MIT.txt"
    cp "$WIN32_CACHE/src/qtbase-opensource-src/unpacked/LICENSE.LGPL3" "$stage/licenses/Qt-LGPL-3.0.txt"
    # The LGPL 3 is written as additions to the GPL 3, so both texts go along.
    cp "$WIN32_CACHE/src/qtbase-opensource-src/unpacked/LICENSE.GPL3" "$stage/licenses/Qt-GPL-3.0.txt"
    cp "$WIN32_CACHE/src/ffmpeg/unpacked/COPYING.LGPLv2.1" "$stage/licenses/FFmpeg-LGPL-2.1.txt"
    sed "s/@VERSION@/$version/" packaging/windows-readme.txt | sed 's/$/\r/' > "$stage/README.txt"
    (cd dist && zip -qr9 "$name.zip" "$name")
    echo "Wrote dist/$name.zip"
}

if can_run_32bit; then
    test_arch=i686 test_dir=build-win32
else
    test_arch=x86_64 test_dir=build-win64
fi

if [ "$mode" = --test-if-ready ]; then
    for arch in i686 $test_arch; do
        select_win_arch "$arch"
        if ! win32_toolchain_ready; then
            echo "Skipped: Qt and ffmpeg for Windows ($arch) are not built on this machine."
            echo "scripts/windows.sh builds them once (about an hour on two cores)."
            exit 0
        fi
    done
fi

build_windows i686 build-win32
if [ "$test_arch" = x86_64 ]; then
    echo "This kernel cannot run 32-bit programs: the tests run on the same sources built for"
    echo "64-bit Windows, under 64-bit Wine."
    build_windows x86_64 build-win64
fi
status=0
run_tests "$test_arch" "$test_dir" || status=1
select_win_arch i686
[ "$mode" = --test-if-ready ] || make_zip build-win32
exit $status
