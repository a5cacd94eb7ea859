#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the converter: the window where there is a
# display; elsewhere vantoro-cli converts a freshly made sample cache and shows the result.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
configure_and_build build -DVANTORO_BUILD_TESTS=OFF

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/app/vantoro
fi

echo
echo "There is no display here, so instead of opening the window this converts a sample"
echo "cache with vantoro-cli, the same converter without a window."
sample=$(mktemp -d "${TMPDIR:-/tmp}/vantoro-sample.XXXXXX")
scripts/make-sample-cache.sh "$sample/cache"
echo
build/src/cli/vantoro-cli --delete-source "$sample/cache"
echo
echo "What the cache folder holds now:"
build/src/cli/vantoro-list "$sample/cache"
echo
echo "The sample stays in $sample; the window program is build/src/app/vantoro."
