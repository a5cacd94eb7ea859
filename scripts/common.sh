# Shared by the setup scripts: make sure Debian packages are there, and build.
# Sourced, not run.

# Installs the named Debian packages that are missing when run as root; otherwise prints
# the exact command that would and stops.
ensure_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "This script sets up Debian or Ubuntu. Elsewhere install by hand: $*" >&2
        exit 1
    fi
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        apt_get update -q
        DEBIAN_FRONTEND=noninteractive apt_get install -y -q --no-install-recommends "${missing[@]}"
    else
        echo "Vantoro needs packages that are not installed. Run this as root, then try again:" >&2
        echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
}

# apt-get that waits for another package manager run (a fresh machine still installing its
# updates) instead of failing at once on its lock, and says that it waits.
APT_LOCK_WAIT_SECONDS=1800
apt_get() {
    local waited=0
    if apt_lock_held; then
        echo "Another package manager run holds the package lock; waiting for it to end" \
            "(at most $((APT_LOCK_WAIT_SECONDS / 60)) minutes)."
        # apt-get update does not wait for the lock of its lists itself.
        while apt_lock_held && [ $waited -lt "$APT_LOCK_WAIT_SECONDS" ]; do
            sleep 2
            waited=$((waited + 2))
        done
    fi
    apt-get -o DPkg::Lock::Timeout=$((APT_LOCK_WAIT_SECONDS - waited)) "$@"
}

# True when a process holds one of apt's or dpkg's locks: they are POSIX record locks, which
# /proc/locks lists by inode.
apt_lock_held() {
    local lock inode
    for lock in /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock \
        /var/cache/apt/archives/lock; do
        inode=$(stat -c %i "$lock" 2>/dev/null) || continue
        grep -q ":$inode " /proc/locks 2>/dev/null && return 0
    done
    return 1
}

# FFmpeg's libraries read media files in-process; ffmpeg itself converts.
BUILD_PACKAGES=(cmake make g++ pkg-config qtbase5-dev libavformat-dev ffmpeg)
# What the window needs to speak Chinese: Qt's own translation, and a font with its glyphs.
RUN_PACKAGES=(qttranslations5-l10n fonts-wqy-microhei)
# What the whole test suite needs besides: Qt 6, the fuzzer's clang with its runtime, MinGW's
# windres for the resource script, the desktop-file and package checkers, help2man for the
# manual page, AppStream's checker, clang-format, chattr (e2fsprogs), with which the tests
# make a file impossible to remove when they run as root, and a FUSE file system of the tests'
# own (fuse3, python3-fusepy) that refuses the no-replace rename as network file systems do.
TEST_PACKAGES=("${RUN_PACKAGES[@]}" qt6-base-dev qt6-translations-l10n clang libclang-rt-dev clang-format binutils-mingw-w64-i686
               desktop-file-utils appstream help2man lintian dpkg-dev strace e2fsprogs fuse3 python3-fusepy)

# Configures and builds into the given folder; extra arguments go to cmake.
configure_and_build() {
    local dir=$1
    shift
    if [ -e "$dir" ] && [ ! -w "$dir" ]; then
        echo "The build folder $dir belongs to $(stat -c %U "$dir"), and you cannot write to it." >&2
        echo "Remove it (as $(stat -c %U "$dir")), or run this as that user." >&2
        return 1
    fi
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" \
        && cmake --build "$dir" -j "$(nproc)"
}
