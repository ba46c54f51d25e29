#!/usr/bin/env bash
# Saves a PNG of the studio's window (tavro-tape-studio.exe's view) under
# Wine, for reviewers: the studio's view test decodes and merges two takes
# and pauses with the first take shown while the window is captured.
#
#   tools/screenshot-windows-studio.sh [OUTPUT]   (default docs/screenshots/windows-studio.png)
#
# Installs what it needs like tools/screenshot-windows.sh and builds
# libsndfile for the target first (tools/build-windows-deps.sh).
set -euo pipefail

cd "$(dirname "$0")/.."
output=${1:-docs/screenshots/windows-studio.png}

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh

wine_env_install imagemagick x11-utils nlohmann-json3-dev fonts-dejavu-core
for tool in import xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || wine_env_fail "$tool not found after installing"
done
wine_env_choose_preset windows-i686 fallback
preset=$WINE_ENV_PRESET
build=build/$preset
deps=$(tools/build-windows-deps.sh "$preset")
trap wine_env_stop EXIT
wine_env_start
# Wine's own Tahoma has no Greek: the status line's path (a folder named
# with an omega) would show a box where Windows falls back to another font
# of its own. Here the fallback is DejaVu Sans, as Windows links its fonts.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1 ||
    wine_env_fail "the font link could not be set"

cmake --preset "$preset" -DTAVRO_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" --target tavro_studio_view_tests

flag="$WINE_ENV_DIR/screenshot.flag"
export TAVRO_TEST_SCREENSHOT_FLAG="$flag"
log="$WINE_ENV_DIR/studio-tests.log"
wine "$build/tests/windows/tavro_studio_view_tests.exe" >"$log" 2>&1 &
tests_pid=$!

# The tests create the flag once the takes are decoded and merged.
tries=0
until [ -e "$flag" ]; do
    if ! kill -0 "$tests_pid" 2>/dev/null; then
        cat "$log" >&2
        wine_env_fail "the studio's tests ended before the takes were merged"
    fi
    tries=$((tries + 1))
    [ "$tries" -lt 2400 ] || wine_env_fail "no merged takes within 240 s"
    sleep 0.1
done

window=$(xwininfo -root -tree | awk '/"tavro-tape studio"/ { print $1; exit }')
[ -n "$window" ] || wine_env_fail "the studio's window was not found"
sleep 0.5  # let the last pictures paint
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
rm -f "$flag"

wait "$tests_pid" || { cat "$log" >&2; wine_env_fail "the studio's tests failed"; }
grep -q "checks passed" "$log" || { cat "$log" >&2; wine_env_fail "the studio's tests did not pass"; }
echo "screenshot: $output"
