#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is
# missing. Usage: tools/install-deps.sh [native] [windows]
#   native   compilers, CMake, GoogleTest, Google Benchmark, Qt 6, fonts, Xvfb
#   windows  MinGW-w64 cross compilers, Wine (32 and 64 bit), Wine's fonts
set -euo pipefail

want_native=0
want_windows=0
for arg in "${@:-native}"; do
  case "$arg" in
    native) want_native=1 ;;
    windows) want_windows=1 ;;
    *) echo "install-deps: unknown set: $arg" >&2; exit 2 ;;
  esac
done

packages=()
if [ "$want_native" = 1 ]; then
  packages+=(g++ cmake ninja-build pkg-config googletest libgtest-dev libbenchmark-dev
             clang-format qt6-base-dev fonts-dejavu-core xvfb xauth)
fi
if [ "$want_windows" = 1 ]; then
  packages+=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine64 wine32:i386
             fonts-wine locales xvfb xauth)
fi

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
if [ "$want_windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
