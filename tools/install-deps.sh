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
          nlohmann-json3-dev portaudio19-dev)

# shellcheck source=tools/debian-packages.sh
source "$(dirname "$0")/debian-packages.sh"
deb_install install-deps "${packages[@]}"
