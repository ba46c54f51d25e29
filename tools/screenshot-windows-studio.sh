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

# shellcheck source=tools/wine-screenshot.sh
source tools/wine-screenshot.sh
wine_screenshot_start fonts-dejavu-core
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
wine_screenshot_take "tavro-tape studio" "$output" 240 "$log" "$tests_pid" "the takes were merged"
