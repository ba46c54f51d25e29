#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test:
# the native build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a minute of each fuzz target, and the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

echo "== format"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"

jobs=$(nproc)

echo "== native build and tests"
cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
tools/package.sh --test
tools/check-report.sh  # the tape report in headless chromium

echo "== sanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== fuzzing"
tools/fuzz.sh 60

echo "== Windows build and tests"
tools/test-windows.sh

echo "== all tests passed"
