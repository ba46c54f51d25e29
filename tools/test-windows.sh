#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and runs their tests under Wine,
# headless: the core's unit tests, the dialog driven through window messages,
# the program as a process, and the check that it imports system DLLs only.
#
#   tools/test-windows.sh [PRESET]      (default windows-i686)
#
# On a fresh Debian machine it first installs what it needs (as root, or
# through sudo): MinGW-w64, Wine with its 32-bit part, Xvfb, Wine's fonts,
# GoogleTest's sources and the cs_CZ.UTF-8 locale; then it builds libsndfile
# for the target (tools/build-windows-deps.sh). Everything it starts
# (Xvfb, the wineserver of a temporary Wine prefix) ends with it.
set -euo pipefail

cd "$(dirname "$0")/.."
preset=${1:-windows-i686}

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh

# The command line's JSON library, header-only, for the target as well.
wine_env_install nlohmann-json3-dev
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
