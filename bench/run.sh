#!/usr/bin/env bash
# Builds and runs the benchmarks; prints a table and writes bench/results.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" python3
configure_and_build build -DVANTORO_BUILD_TESTS=OFF
python3 bench/bench.py build
