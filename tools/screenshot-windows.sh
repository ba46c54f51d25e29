#!/usr/bin/env bash
# Saves a PNG of the program's dialog under Wine after a successful Analyse,
# for reviewers: the dialog test drives the program through a whole run and
# pauses at the end while the dialog is captured.
#
#   tools/screenshot-windows.sh [OUTPUT]   (default docs/screenshots/windows-dialog.png)
#
# Installs what it needs like tools/test-windows.sh, plus ImageMagick and the
# X utilities for the capture, and builds libsndfile for the target first
# (tools/build-windows-deps.sh). It shows the 32-bit program, or on a machine
# that runs no 32-bit code the 64-bit one, as tools/test-windows.sh does.
set -euo pipefail

cd "$(dirname "$0")/.."
output=${1:-docs/screenshots/windows-dialog.png}

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh

# shellcheck source=tools/wine-screenshot.sh
source tools/wine-screenshot.sh
# shellcheck disable=SC2119 # nothing more to install
wine_screenshot_start

wine_env_map_drive_i

cmake --preset "$preset" -DTAVRO_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" --target tavro_dialog_tests tavro-tape

flag="$WINE_ENV_DIR/screenshot.flag"
export TAVRO_TEST_SCREENSHOT_FLAG="$flag"
log="$WINE_ENV_DIR/dialog-tests.log"
wine "$build/tests/windows/tavro_dialog_tests.exe" "$PWD/$build/app/tavro-tape.exe" >"$log" 2>&1 &
tests_pid=$!

# The tests create the flag once the program shows the finished run. The
# dialogs that the tests ran in their own process are closed by then; the
# one left is the program's.
wine_screenshot_take "Tavro tape 1.0" "$output" 120 "$log" "$tests_pid" "the program's run finished"
