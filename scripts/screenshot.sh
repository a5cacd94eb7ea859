#!/usr/bin/env bash
# Takes docs/converting.png: the window in the middle of a conversion, on a real X server
# (Xvfb) with Chinese fonts.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" xvfb xauth fonts-wqy-microhei
configure_and_build build -DVANTORO_BUILD_TESTS=ON
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" build/tests/vantoro_screenshot docs/converting.png
