#!/usr/bin/env bash
# Installs the Debian packages that the native build and its tests need,
# when any is missing: compilers, CMake, GoogleTest, Google Benchmark,
# clang-format, Qt 6, a font for the dialog, clang with its libFuzzer
# runtime for the fuzz targets, libsndfile, through which the tests read
# the encoder's analog recordings back, and nlohmann-json (header-only) for
# the command line's JSON Lines. (tools/test-windows.sh installs what the
# Windows build needs.)
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config git googletest libgtest-dev libbenchmark-dev
          clang-format qt6-base-dev fonts-dejavu-core clang libclang-rt-dev libsndfile1-dev
          nlohmann-json3-dev)

if [ "$(id -u)" = 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  as_root=()
fi

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ "${#missing[@]}" = 0 ] && exit 0

if [ "$(id -u)" != 0 ] && [ "${#as_root[@]}" = 0 ]; then
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
