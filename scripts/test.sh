#!/usr/bin/env bash
# Installs what is missing, builds Kicklist and runs every test; then the
# gates: every test again in the sanitizer build (AddressSanitizer + UBSan,
# LeakSanitizer), the settings file fuzz target, clang-tidy over src/ and
# clang-format over the C++ files.
#   bash scripts/test.sh [default|asan|fuzz|lint] [ctest arguments]
# runs one leg alone; with no leg named, all of them. Window tests use Qt's
# offscreen platform; the whole-program tests start their own X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test

leg=all
case "${1:-}" in default|asan|fuzz|lint) leg=$1; shift ;; esac

if [[ $leg == all || $leg == default ]]; then
  cmake --preset default -DBUILD_TESTING=ON >/dev/null
  cmake --build --preset default
  ctest --preset default "$@"
fi
[[ $leg == default ]] && exit 0

cmake --preset asan >/dev/null
cmake --build --preset asan
# The cross-built Windows tests and the packaging tests run no sanitized code.
case $leg in
  asan) only=(-LE 'fuzz|lint|win32|install') ;;
  fuzz|lint) only=(-L "$leg") ;;
  *) only=(-LE 'win32|install') ;;
esac
# Sanitizer reports go to files (see the asan test preset): a program a test
# started may end without the test looking at its status or its stderr.
reports=build-asan/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
status=0
ctest --preset asan "${only[@]}" "$@" || status=$?
# A forked test child may only warn that its parent's threads are gone.
mapfile -t found < <(grep -lE 'ERROR: |runtime error: ' -r "$reports")
if ((${#found[@]})); then
  for report in "${found[@]}"; do
    printf '\n=== sanitizer report %s\n' "$report" >&2
    cat "$report" >&2
  done
  echo "FAILED: sanitizer reports above (in $reports)" >&2
  status=1
fi
exit "$status"
