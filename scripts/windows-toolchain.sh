#!/usr/bin/env bash
# What a Windows build of Vantoro needs and Debian does not ship, built once per processor
# (x86_64, i686) from Debian's own sources into a cache outside the tree
# ($VANTORO_WINDOWS_CACHE, by default ~/.cache/vantoro-windows), one folder per part:
#
#   <arch>/qt5     a static release Qt 5 (qtbase) for MinGW-w64, with Qt's Chinese texts
#   <arch>/x264    libx264 (GPL), static: the H.264 encoder of the shipped ffmpeg.exe
#   <arch>/dav1d   libdav1d (BSD), static: its AV1 decoder
#   <arch>/ffmpeg  ffmpeg.exe (GPL, because of x264): the program Vantoro starts
#   <arch>/libav   libavformat, libavcodec and libavutil as static LGPL libraries (no GPL
#                  part): what Vantoro itself links to read media files
#
# A part is rebuilt only when its recipe (the function that builds it, and the recipes of the
# parts it builds on) changes, and it is stamped only when every file it must hold is there.
# Sourced by scripts/windows.sh; nothing here runs on its own.

WIN_CACHE=${VANTORO_WINDOWS_CACHE:-${HOME:-/root}/.cache/vantoro-windows}
WIN_ARCHES=(x86_64 i686)
# Everything the Windows build, its tests under Wine and its zips need on this machine.
WIN_PACKAGES=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
              binutils-mingw-w64-x86-64 mingw-w64-i686-dev mingw-w64-x86-64-dev dpkg-dev perl
              python3 pkg-config nasm meson ninja-build zip xvfb xauth wine wine64
              fonts-wqy-microhei qttranslations5-l10n ffmpeg)

win_triple() { echo "$1-w64-mingw32"; }
win_part() { echo "$WIN_CACHE/$1/$2"; } # win_part ARCH PART: where that part is installed

# The recipe of a part: its own function, the functions it calls, and those of the parts it
# links.
recipe_functions() {
    case $1 in
    qt5) echo build_qt5 ;;
    x264) echo build_x264 ;;
    dav1d) echo build_dav1d meson_cross_file ;;
    ffmpeg) echo build_ffmpeg ffmpeg_common_options build_x264 build_dav1d meson_cross_file ;;
    libav) echo build_libav ffmpeg_common_options ;;
    esac
}
recipe_stamp() {
    local name
    for name in $(recipe_functions "$1") posix_compilers; do declare -f "$name"; done \
        | sha256sum | cut -c1-16
}
stamp_file() { echo "$(win_part "$1" "$2")/.recipe-$(recipe_stamp "$2")"; }
part_ready() { [ -f "$(stamp_file "$1" "$2")" ]; }

# True when every part of that processor is built by its current recipe.
win_toolchain_ready() {
    local part
    for part in qt5 x264 dav1d ffmpeg libav; do
        part_ready "$1" "$part" || return 1
    done
}

# What is missing to build and test here, one word each; empty when nothing is.
win_missing_packages() {
    local package
    for package in "${WIN_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || echo "$package"
    done
}

# The sources come from deb-src lines, which a stock Debian 12 lacks: added once, as root.
enable_debian_sources() {
    local sources=/etc/apt/sources.list.d/vantoro-deb-src.sources
    if [ ! -f "$sources" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$sources"
        apt_get update -q
    fi
}

# MinGW's default compilers use Windows threads, which Qt's and ffmpeg's C++ cannot; the posix
# ones are called through links in the cache instead of switching the system's alternatives.
posix_compilers() {
    local triple bin
    triple=$(win_triple "$1")
    bin=$WIN_CACHE/$1/bin
    mkdir -p "$bin"
    ln -sf "/usr/bin/$triple-gcc-posix" "$bin/$triple-gcc"
    ln -sf "/usr/bin/$triple-g++-posix" "$bin/$triple-g++"
    echo "$bin"
}

# Fetches Debian's source of a package into the cache once and prints its folder.
fetch_source() {
    local package=$1 dir=$WIN_CACHE/src/$1
    if [ ! -f "$dir/unpacked/.complete" ]; then
        rm -rf "$dir" && mkdir -p "$dir"
        (cd "$dir" && apt_get source -q --download-only "$package" >&2 \
            && dpkg-source -x --skip-patches ./*.dsc unpacked >&2) || return 1
        touch "$dir/unpacked/.complete"
    fi
    echo "$dir/unpacked"
}

# The Debian source package and version a part was built from ("ffmpeg 7:5.1.9-0+deb12u1").
source_version() {
    sed -n 's/^Version: //p' "$WIN_CACHE"/src/"$1"/*.dsc | head -n 1 | sed "s/^/$1 /"
}

build_qt5() { # ARCH PREFIX BUILD
    local arch=$1 prefix=$2 build=$3 src
    src=$(fetch_source qtbase-opensource-src) || return 1
    # The Debian source lacks the tablet header and the Direct2D plugin does not build.
    (cd "$build" && "$src/configure" -opensource -confirm-license -prefix "$prefix" \
        -xplatform win32-g++ -device-option CROSS_COMPILE="$(win_triple "$arch")-" \
        -static -static-runtime -release -nomake examples -nomake tests -no-opengl -no-dbus \
        -no-icu -no-direct2d -no-feature-tabletevent -qt-zlib -qt-libpng -qt-libjpeg \
        -qt-freetype -qt-harfbuzz -qt-pcre -no-sql-sqlite -no-sql-odbc \
        && make -j "$(nproc)" && make install) || return 1
    # Qt's Chinese texts for the folder chooser and message boxes travel with the program.
    mkdir -p "$prefix/translations"
    cp /usr/share/qt5/translations/qtbase_zh_CN.qm "$prefix/translations/"
}

build_x264() { # ARCH PREFIX BUILD
    local arch=$1 prefix=$2 build=$3 src triple
    src=$(fetch_source x264) || return 1
    triple=$(win_triple "$arch")
    # Every bit depth, as Debian's libx264 has: 10-bit sources stay 10-bit.
    (cd "$build" && "$src/configure" --host="$triple" --cross-prefix="$triple-" \
        --prefix="$prefix" --enable-static --disable-cli --disable-opencl --bit-depth=all \
        --chroma-format=all --enable-strip \
        && make -j "$(nproc)" && make install)
}

meson_cross_file() { # ARCH FILE
    local triple family
    triple=$(win_triple "$1")
    family=$1
    [ "$1" = i686 ] && family=x86
    cat > "$2" <<EOF
[binaries]
c = '$triple-gcc'
cpp = '$triple-g++'
ar = '$triple-ar'
strip = '$triple-strip'
windres = '$triple-windres'

[host_machine]
system = 'windows'
cpu_family = '$family'
cpu = '$1'
endian = 'little'
EOF
}

build_dav1d() { # ARCH PREFIX BUILD
    local arch=$1 prefix=$2 build=$3 src
    src=$(fetch_source dav1d) || return 1
    meson_cross_file "$arch" "$build/cross.txt"
    meson setup "$build/out" "$src" --cross-file "$build/cross.txt" --prefix "$prefix" \
        --libdir lib --buildtype release --default-library static -Denable_tools=false \
        -Denable_tests=false -Denable_examples=false \
        && ninja -C "$build/out" && ninja -C "$build/out" install
}

# What both ffmpeg builds share: a static, cross-built ffmpeg with nothing but what is named.
ffmpeg_common_options() { # ARCH PREFIX
    local triple
    triple=$(win_triple "$1")
    echo --prefix="$2" --arch="$1" --target-os=mingw32 --cross-prefix="$triple-" \
        --enable-cross-compile --disable-everything --disable-doc --disable-debug \
        --disable-autodetect --enable-w32threads --enable-static --disable-shared \
        --enable-demuxer=mov --enable-protocol=file
}

# ffmpeg.exe: what the Linux build relies on for joining cache streams, read and written
# (H.264, HEVC, AV1; AAC, MP3, AC-3, E-AC-3, FLAC, Opus), the checksums of what it copies
# (streamhash), plus the test sources the suite makes its streams from under Wine.
build_ffmpeg() { # ARCH PREFIX BUILD
    local arch=$1 prefix=$2 build=$3 src
    src=$(fetch_source ffmpeg) || return 1
    # shellcheck disable=SC2046
    (cd "$build" && PKG_CONFIG_LIBDIR="$(win_part "$arch" x264)/lib/pkgconfig:$(win_part "$arch" dav1d)/lib/pkgconfig" \
        "$src/configure" $(ffmpeg_common_options "$arch" "$prefix") \
        --enable-gpl --enable-libx264 --enable-libdav1d --pkg-config=pkg-config \
        --pkg-config-flags=--static --extra-ldflags=-static --disable-ffplay --disable-ffprobe \
        --enable-muxer=mp4,mov,ipod,streamhash \
        --enable-decoder=h264,hevc,libdav1d,mpeg4,aac,mp3,mp3float,ac3,eac3,flac,opus \
        --enable-decoder=rawvideo,wrapped_avframe,pcm_s16le,pcm_f32le,pcm_f64le \
        --enable-encoder=libx264,aac,mpeg4 --enable-parsers --enable-bsfs \
        --enable-protocol=pipe --enable-indev=lavfi \
        --enable-filter=testsrc,testsrc2,sine,scale,format,aformat,aresample,null,anull \
        --enable-filter=trim,atrim,setpts,asetpts,fps,pad,crop,copy,acopy,settb,asettb \
        --enable-filter=transpose,hflip,vflip \
        > "$build/configure.log" && make -j "$(nproc)" && make install)
}

# The libraries Vantoro links, under the LGPL: reading MP4 files, and decoding what ffmpeg.exe
# encodes (H.264, MPEG-4, AAC) to prove an output that carries no checksums of its own.
build_libav() { # ARCH PREFIX BUILD
    local arch=$1 prefix=$2 build=$3 src
    src=$(fetch_source ffmpeg) || return 1
    # shellcheck disable=SC2046
    (cd "$build" && "$src/configure" $(ffmpeg_common_options "$arch" "$prefix") \
        --enable-decoder=h264,mpeg4,aac \
        --pkg-config=false --disable-programs --disable-avdevice --disable-avfilter \
        --disable-swscale --disable-swresample --disable-postproc --disable-network \
        > "$build/configure.log" && grep -qx 'License: LGPL version 2.1 or later' "$build/configure.log" \
        && make -j "$(nproc)" && make install)
}

# The files a finished part must hold; a build that lacks one is never stamped.
part_outputs() { # ARCH PART
    case $2 in
    qt5) echo lib/libQt5Core.a lib/libQt5Widgets.a plugins/platforms/libqwindows.a bin/qmake \
              translations/qtbase_zh_CN.qm ;;
    x264) echo lib/libx264.a lib/pkgconfig/x264.pc ;;
    dav1d) echo lib/libdav1d.a lib/pkgconfig/dav1d.pc ;;
    ffmpeg) echo bin/ffmpeg.exe ;;
    libav) echo lib/libavformat.a lib/libavcodec.a lib/libavutil.a lib/pkgconfig/libavformat.pc ;;
    esac
}

# build_part ARCH PART: builds one part from scratch unless its current recipe built it.
build_part() {
    local arch=$1 part=$2 prefix build output
    part_ready "$arch" "$part" && return 0
    prefix=$(win_part "$arch" "$part")
    build=$WIN_CACHE/$arch/build/$part
    echo "=== Building $part for $arch Windows (once; kept in $prefix)"
    rm -rf "$prefix" "$build" && mkdir -p "$prefix" "$build"
    if ! PATH="$(posix_compilers "$arch"):$PATH" "build_$part" "$arch" "$prefix" "$build"; then
        echo "Building $part for $arch failed; see $build." >&2
        return 1
    fi
    for output in $(part_outputs "$arch" "$part"); do
        if [ ! -e "$prefix/$output" ]; then
            echo "Building $part for $arch left out $output: not marked as built." >&2
            return 1
        fi
    done
    touch "$(stamp_file "$arch" "$part")"
}

# build_toolchain ARCH: every part of that processor, the ones others link first.
build_toolchain() {
    local part
    for part in x264 dav1d ffmpeg libav qt5; do
        build_part "$1" "$part" || return 1
    done
}
