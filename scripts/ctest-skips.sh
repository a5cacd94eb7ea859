#!/usr/bin/env bash
# scripts/ctest-skips.sh BUILD-FOLDER LABEL: one line per test that did not run in the last
# ctest run of that build folder, and why, as the tests said it (QSKIP, or a check without its
# tool), each line beginning with the label.
log="$1/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
grep -E '^SKIP   : |Vantoro test skipped in part: not checked' "$log" \
    | sed -e 's/^SKIP   : //' -e 's/^.*Vantoro test skipped in part: /install_and_package: /' \
    | sort -u | sed "s|^|$2: |"
