#!/usr/bin/env bash
# Installs what is missing, builds the programs, makes the demo recording and
# starts the program: the dialog when a display is present, otherwise the
# command-line driver on the demo recording.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake --preset default >/dev/null
targets=(tavro-tape-cli tavro-tape-encode)
if cmake --build --preset default --target help | grep -q '^tavro-tape:'; then
  targets+=(tavro-tape)
fi
cmake --build --preset default --target "${targets[@]}"

bin=$PWD/build/default
demo=$PWD/build/demo
mkdir -p "$demo"
"$bin/tools/encoder/tavro-tape-encode" --bits 16 --name DEMO demo/demo.txt "$demo/demo.wav"
cd "$demo"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/app/tavro-tape" ]; then
  echo "Opening the dialog: \"&Wyber wav\" -> $demo/demo.wav, then \"&Analyzuj wav\"."
  exec "$bin/app/tavro-tape"
fi

echo "No display: decoding $demo/demo.wav with the command-line driver."
"$bin/cli/tavro-tape-cli" demo.wav
echo "Decoded bytes: $demo/test.dat"
