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

wine_env_install imagemagick x11-utils nlohmann-json3-dev
for tool in import xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || wine_env_fail "$tool not found after installing"
done
wine_env_choose_preset windows-i686 fallback
preset=$WINE_ENV_PRESET
build=build/$preset
deps=$(tools/build-windows-deps.sh "$preset")
trap wine_env_stop EXIT
wine_env_start

wine_env_map_drive_i

cmake --preset "$preset" -DTAVRO_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" --target tavro_dialog_tests tavro-tape

flag="$WINE_ENV_DIR/screenshot.flag"
export TAVRO_TEST_SCREENSHOT_FLAG="$flag"
log="$WINE_ENV_DIR/dialog-tests.log"
wine "$build/tests/windows/tavro_dialog_tests.exe" "$PWD/$build/app/tavro-tape.exe" >"$log" 2>&1 &
tests_pid=$!

# The tests create the flag once the program shows the finished run.
tries=0
until [ -e "$flag" ]; do
    if ! kill -0 "$tests_pid" 2>/dev/null; then
        cat "$log" >&2
        wine_env_fail "the dialog tests ended before the program's run finished"
    fi
    tries=$((tries + 1))
    [ "$tries" -lt 1200 ] || wine_env_fail "no finished run within 120 s"
    sleep 0.1
done

# The dialogs that the tests ran in their own process are closed by now; the
# one left is the program's.
window=$(xwininfo -root -tree | awk '/"Tavro tape 1.0"/ { print $1; exit }')
[ -n "$window" ] || wine_env_fail "the dialog's window was not found"
sleep 0.5  # let the last texts paint
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
rm -f "$flag"

wait "$tests_pid" || { cat "$log" >&2; wine_env_fail "the dialog tests failed"; }
grep -q "checks passed" "$log" || { cat "$log" >&2; wine_env_fail "the dialog tests did not pass"; }
echo "screenshot: $output"
