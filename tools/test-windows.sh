#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and runs their tests under Wine,
# headless: the core's unit tests, the dialog driven through window messages,
# the program as a process, and the check that it imports system DLLs only;
# then makes the zip of the programs and tries it.
#
#   tools/test-windows.sh [PRESET]      (windows-i686 or windows-x86_64)
#
# Without a preset it takes windows-i686, or, on a machine that runs no
# 32-bit code (a kernel without IA-32 emulation, where 32-bit Wine cannot
# start), windows-x86_64 under 64-bit Wine, and says so. windows-i686 asked
# for by name on such a machine is an error.
#
# On a fresh Debian machine it first installs what it needs (as root, or
# through sudo): MinGW-w64, Wine with its 32-bit part, Xvfb, Wine's fonts,
# GoogleTest's sources and the cs_CZ.UTF-8 locale; then it builds libsndfile
# for the target (tools/build-windows-deps.sh). Everything it starts
# (Xvfb, the wineserver of a temporary Wine prefix) ends with it.
set -euo pipefail

cd "$(dirname "$0")/.."
[ $# -le 1 ] || { echo "usage: tools/test-windows.sh [windows-i686|windows-x86_64]" >&2; exit 2; }

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh

# The command line's JSON library, header-only, for the target as well.
wine_env_install nlohmann-json3-dev
if [ $# -eq 1 ]; then
    wine_env_choose_preset "$1"
else
    wine_env_choose_preset windows-i686 fallback
fi
preset=$WINE_ENV_PRESET
# The static libsndfile with its codecs, from Debian's source packages
# (built once per source version, then reused).
deps=$(tools/build-windows-deps.sh "$preset")
trap wine_env_stop EXIT
wine_env_start

wine_env_map_drive_i

cmake --preset "$preset" -DTAVRO_WINDOWS_DEPS="$deps"
cmake --build --preset "$preset"
ctest --preset "$preset"

# The zip of the programs (build/packages), unpacked and tried under Wine.
tools/package.sh --zip "build/$preset"
