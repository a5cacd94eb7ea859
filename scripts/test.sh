#!/usr/bin/env bash
# Sets up what is missing, builds with warnings as errors, and runs every test: against Qt 5,
# again under AddressSanitizer and UndefinedBehaviorSanitizer, against Qt 6, the naming fuzzer,
# the formatting check, and the Windows build under Wine when its toolchain has been built.
# Every stage runs; the script exits non-zero when any of them failed.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

failed=()
# stage NAME COMMAND...: runs one stage and remembers whether it failed.
stage() {
    local name=$1
    shift
    echo
    echo "=== $name"
    if ! "$@"; then
        echo "=== $name: FAILED"
        failed+=("$name")
    fi
}

build_and_test() { # build_and_test FOLDER [CMAKE OPTIONS...]
    local dir=$1
    configure_and_build "$@" -DVANTORO_BUILD_TESTS=ON -DVANTORO_WARNINGS_AS_ERRORS=ON \
        && (cd "$dir" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            ctest --output-on-failure --timeout 600)
}

check_formatting() {
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
}

stage "formatting (clang-format)" check_formatting
stage "Qt 5" build_and_test build -DVANTORO_QT_MAJOR=5
# Memory faults and undefined behaviour fail the run.
stage "Qt 5 with sanitizers" build_and_test build-sanitize -DVANTORO_QT_MAJOR=5 -DVANTORO_SANITIZE=ON
stage "Qt 6" build_and_test build-qt6 -DVANTORO_QT_MAJOR=6
# The naming fuzzer needs clang's libFuzzer; it gets its own build.
stage "naming fuzzer" bash -c 'source scripts/common.sh &&
    configure_and_build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVANTORO_FUZZ=ON &&
    cd build-fuzz && ctest --output-on-failure --timeout 600'

# The Windows build and its tests under Wine, when Qt and ffmpeg for Windows are built here.
stage "Windows under Wine" scripts/windows.sh --test-if-ready

echo
total=$(grep -c '^stage "' "$0")
echo "Stages: $((total - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed stages: ${failed[*]}"
    exit 1
fi
