#!/usr/bin/env bash
# Sets up what is missing, builds, and opens the converter window.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}"
configure_and_build build -DVANTORO_BUILD_TESTS=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the" >&2
    echo "converter window cannot open. The program is built: build/src/app/vantoro" >&2
    exit 1
fi
exec build/src/app/vantoro
