#!/usr/bin/env bash
# Builds, once, what a Windows build of Vantoro needs and Debian does not ship: a static
# release Qt 5 (qtbase) for MinGW-w64, and a small static ffmpeg/ffprobe for Windows, both from
# Debian's own sources. They go to a cache folder outside the tree ($VANTORO_WIN32_CACHE, by
# default ~/.cache/vantoro-win32) and are rebuilt only when their recipe changes.
# WIN_ARCH picks the processor: i686 (32-bit, what users get; the default) or x86_64 (64-bit,
# for running the tests under Wine on machines whose kernel cannot run 32-bit programs).
# Sourced by scripts/windows.sh; run on its own it just prepares the cache.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

WIN32_CACHE=${VANTORO_WIN32_CACHE:-${HOME:-/root}/.cache/vantoro-win32}

# select_win_arch ARCH: where that processor's Qt and ffmpeg are kept.
select_win_arch() {
    WIN_ARCH=$1
    WIN_TRIPLE=$WIN_ARCH-w64-mingw32
    if [ "$WIN_ARCH" = i686 ]; then ARCH_SUFFIX=; else ARCH_SUFFIX=-$WIN_ARCH; fi
    WIN32_QT=$WIN32_CACHE/qt5-static$ARCH_SUFFIX
    WIN32_FFMPEG=$WIN32_CACHE/ffmpeg$ARCH_SUFFIX
}
select_win_arch "${WIN_ARCH:-i686}"

WIN32_PACKAGES=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
                g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev
                perl python3 pkg-config nasm zip xvfb xauth wine wine32 wine64 fonts-wqy-microhei)

# A cached build is reused while the function that made it reads as it did.
recipe_stamp() {
    declare -f "$1" | sha256sum | cut -c1-16
}

# Wine's 32-bit half comes from the i386 architecture, and the sources from deb-src lines.
prepare_apt() {
    [ "$(id -u)" -eq 0 ] || return 0
    local changed=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        changed=1
    fi
    local sources=/etc/apt/sources.list.d/vantoro-deb-src.sources
    if [ ! -f "$sources" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$sources"
        changed=1
    fi
    if [ "$changed" -eq 1 ]; then apt-get update -q; fi
}

use_posix_mingw() {
    [ "$(id -u)" -eq 0 ] || return 0
    local triple tool
    for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
        for tool in g++ gcc; do
            update-alternatives --set $triple-$tool /usr/bin/$triple-$tool-posix >/dev/null
        done
    done
}

# Fetches Debian's source of a package into the cache and prints its folder.
fetch_source() {
    local package=$1 dir=$WIN32_CACHE/src/$1
    if [ ! -d "$dir/unpacked" ]; then
        rm -rf "$dir" && mkdir -p "$dir"
        (cd "$dir" && apt-get source -q --download-only "$package" >&2 \
            && dpkg-source -x --skip-patches ./*.dsc unpacked >&2)
    fi
    echo "$dir/unpacked"
}

build_win32_qt() {
    local stamp
    stamp=$WIN32_QT/.recipe-$(recipe_stamp build_win32_qt)
    [ -f "$stamp" ] && return 0
    local src build=$WIN32_CACHE/build/qtbase$ARCH_SUFFIX
    src=$(fetch_source qtbase-opensource-src)
    rm -rf "$build" "$WIN32_QT" && mkdir -p "$build"
    # The Debian source lacks the tablet header and the Direct2D plugin does not build.
    (cd "$build" && "$src/configure" -opensource -confirm-license -prefix "$WIN32_QT" \
        -xplatform win32-g++ -device-option CROSS_COMPILE=$WIN_TRIPLE- \
        -static -static-runtime -release -nomake examples -nomake tests -no-opengl -no-dbus \
        -no-icu -no-direct2d -no-feature-tabletevent -qt-zlib -qt-libpng -qt-libjpeg \
        -qt-freetype -qt-harfbuzz -qt-pcre -no-sql-sqlite -no-sql-odbc \
        && make -j "$(nproc)" && make install)
    # Qt's Chinese texts for the folder chooser and message boxes travel with the program.
    mkdir -p "$WIN32_QT/translations"
    cp /usr/share/qt5/translations/qtbase_zh_CN.qm "$WIN32_QT/translations/" 2>/dev/null || true
    touch "$stamp"
}

build_win32_ffmpeg() {
    local stamp
    stamp=$WIN32_FFMPEG/.recipe-$(recipe_stamp build_win32_ffmpeg)
    [ -f "$stamp" ] && return 0
    local src build=$WIN32_CACHE/build/ffmpeg$ARCH_SUFFIX
    src=$(fetch_source ffmpeg)
    rm -rf "$build" "$WIN32_FFMPEG" && mkdir -p "$build"
    # Just what joining cache streams and making the test streams need, linked statically.
    (cd "$build" && "$src/configure" --prefix="$WIN32_FFMPEG" --arch="$WIN_ARCH" \
        --target-os=mingw32 --cross-prefix=$WIN_TRIPLE- --enable-cross-compile --pkg-config=false \
        --disable-everything --disable-doc --disable-debug --disable-ffplay --disable-autodetect \
        --enable-static --disable-shared --extra-ldflags=-static \
        --enable-demuxer=mov --enable-muxer=mp4,mov,ipod \
        --enable-decoder=h264,aac,mpeg4,rawvideo,wrapped_avframe,pcm_s16le,pcm_f32le,pcm_f64le \
        --enable-encoder=mpeg4,aac --enable-parser=h264,aac,mpeg4video \
        --enable-protocol=file,pipe --enable-indev=lavfi \
        --enable-filter=testsrc,testsrc2,sine,scale,format,aformat,aresample,null,anull,trim,atrim,setpts,asetpts,fps,pad,crop,copy,acopy,settb,asettb \
        --enable-bsf=aac_adtstoasc,h264_mp4toannexb,null \
        && make -j "$(nproc)" && make install)
    touch "$stamp"
}

prepare_win32_toolchain() {
    prepare_apt
    ensure_packages "${BUILD_PACKAGES[@]}" "${WIN32_PACKAGES[@]}"
    use_posix_mingw
    build_win32_ffmpeg
    build_win32_qt
}

# True when both cross-built parts are in the cache, built by this recipe.
win32_toolchain_ready() {
    [ -f "$WIN32_QT/.recipe-$(recipe_stamp build_win32_qt)" ] \
        && [ -f "$WIN32_FFMPEG/.recipe-$(recipe_stamp build_win32_ffmpeg)" ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    prepare_win32_toolchain
    echo "Windows toolchain ready in $WIN32_CACHE"
fi
