#!/usr/bin/env bash
# Sets up what is missing, builds with warnings as errors, and runs every test: the formatting
# check, the suite against Qt 5, again under AddressSanitizer and UndefinedBehaviorSanitizer,
# against Qt 6, the fuzzers, and the Windows build under Wine when its toolchain has been built.
# Every stage runs; the script exits non-zero when any of them failed.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

SKIPPED=77 # what a stage returns when it could not run here, and says why
# Every test that did not run, and why, one line each: the stages and the scripts they call
# write here, and the command ends by showing it.
export VANTORO_SKIP_LOG
VANTORO_SKIP_LOG=$(mktemp)
trap 'rm -f "$VANTORO_SKIP_LOG"' EXIT
passed=0
failed=()
skipped=()
# stage NAME COMMAND...: runs one stage, says how it ended and how long it took.
stage() {
    local name=$1 started=$SECONDS status told
    current_stage=$name
    told=$(wc -l < "$VANTORO_SKIP_LOG")
    shift
    echo
    echo "=== $name"
    "$@"
    status=$?
    local took="$(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
    if [ $status -eq 0 ]; then
        echo "=== $name: passed ($took)"
        passed=$((passed + 1))
    elif [ $status -eq $SKIPPED ]; then
        echo "=== $name: skipped ($took)"
        skipped+=("$name")
        # A stage that skips says why in the list; one that did not is named there all the same.
        [ "$(wc -l < "$VANTORO_SKIP_LOG")" -gt "$told" ] \
            || echo "$name: the whole stage (see its reason above)" >> "$VANTORO_SKIP_LOG"
    else
        echo "=== $name: FAILED ($took)"
        failed+=("$name")
    fi
}

build_and_test() { # build_and_test FOLDER [CMAKE OPTIONS...]
    local dir=$1 status
    configure_and_build "$@" -DVANTORO_BUILD_TESTS=ON -DVANTORO_WARNINGS_AS_ERRORS=ON \
        && (cd "$dir" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            ctest --output-on-failure --timeout 600)
    status=$?
    scripts/ctest-skips.sh "$dir" "$current_stage" >> "$VANTORO_SKIP_LOG"
    return $status
}

# Every source file of the project; a copy without .git (or without git) is checked the same.
check_formatting() {
    find src tests \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror
}

fuzz() {
    configure_and_build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVANTORO_FUZZ=ON \
        && (cd build-fuzz && ctest --output-on-failure --timeout 900)
}

stage "formatting (clang-format)" check_formatting
stage "Qt 5" build_and_test build -DVANTORO_QT_MAJOR=5
# Memory faults and undefined behaviour fail the run.
stage "Qt 5 with sanitizers" build_and_test build-sanitize -DVANTORO_QT_MAJOR=5 -DVANTORO_SANITIZE=ON
# Built in a folder whose name holds a space, as a user's clone may be.
stage "Qt 6" build_and_test "build qt6" -DVANTORO_QT_MAJOR=6
# The fuzzers need clang's libFuzzer; they get their own build.
stage "fuzzers (output naming, media reading)" fuzz
# The Windows build and its tests under Wine, when Qt and ffmpeg for Windows are built here.
stage "Windows under Wine" scripts/windows.sh --test-if-ready

echo
if [ -s "$VANTORO_SKIP_LOG" ]; then
    echo "Did not run here, and why ($(wc -l < "$VANTORO_SKIP_LOG")):"
    sed 's/^/  /' "$VANTORO_SKIP_LOG"
else
    echo "Every test ran."
fi
echo "Stages: $passed passed, ${#failed[@]} failed, ${#skipped[@]} skipped"
[ ${#skipped[@]} -eq 0 ] || echo "Skipped stages: ${skipped[*]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed stages: ${failed[*]}"
    exit 1
fi
