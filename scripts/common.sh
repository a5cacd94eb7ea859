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
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    else
        echo "Vantoro needs packages that are not installed. Run this, then try again:" >&2
        echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
}

BUILD_PACKAGES=(cmake make g++ qtbase5-dev qtbase5-dev-tools ffmpeg)

# Configures and builds into the given folder; extra arguments go to cmake.
configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$(nproc)"
}
