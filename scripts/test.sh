#!/usr/bin/env bash
# Sets up what is missing, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev binutils-mingw-w64-i686 desktop-file-utils
configure_and_build build -DVANTORO_BUILD_TESTS=ON -DVANTORO_WARNINGS_AS_ERRORS=ON
(cd build && ctest --output-on-failure --timeout 600)

# Once more with AddressSanitizer and UndefinedBehaviorSanitizer: memory faults fail the run.
configure_and_build build-sanitize -DVANTORO_BUILD_TESTS=ON -DVANTORO_SANITIZE=ON \
    -DVANTORO_WARNINGS_AS_ERRORS=ON
(cd build-sanitize && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure --timeout 600)

# The naming fuzzer needs clang's libFuzzer; it gets its own build.
if command -v clang++ >/dev/null 2>&1; then
    configure_and_build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVANTORO_FUZZ=ON
    (cd build-fuzz && ctest --output-on-failure --timeout 600)
else
    echo "clang++ is not installed: the naming fuzzer was skipped."
fi
