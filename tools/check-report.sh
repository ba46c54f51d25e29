#!/usr/bin/env bash
# Renders the tape report in a real browser: makes a recording with named
# blocks and dropouts, writes its report with each decoder and the report
# of its merge with a second take, and has Debian's chromium, headless, take
# a screenshot of each page. Fails when the browser
# logs anything to its console (the page runs no script and loads nothing,
# so any message is an error: a blocked load, a broken page), when a
# screenshot is missing, not of the window's size, or blank.
#
#   tools/check-report.sh [--build DIR] [--screenshot PATH]
#
# --build DIR        the build with tavro-tape-cli and tavro-tape-encode
#                    (default build/default)
# --screenshot PATH  also keep the screenshot of the robust decoder's page
#                    there (docs/screenshots/report.png in the README)
#
# Installs chromium and netpbm when they are missing (as root, or through
# sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
screenshot=
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --screenshot) screenshot=$2; shift 2 ;;
    *) echo "usage: tools/check-report.sh [--build DIR] [--screenshot PATH]" >&2; exit 2 ;;
  esac
done

fail() { echo "check-report: error: $*" >&2; exit 1; }

# shellcheck source=tools/debian-packages.sh
source tools/debian-packages.sh
deb_install check-report chromium netpbm
for tool in chromium pngtopnm pnmfile ppmhist; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool not found"
done

cli=$PWD/$build/cli/tavro-tape-cli
encode=$PWD/$build/tools/encoder/tavro-tape-encode
[ -x "$cli" ] || fail "$cli not built"
[ -x "$encode" ] || fail "$encode not built"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Three blocks of repeatable bytes, the last with a name that HTML must
# escape; a little wow and three deep dropouts, which both decoders lose
# bytes in.
seq 1 700 >a.bin
seq 5000 5300 >b.bin
seq 90 250 >c.bin
"$encode" --name PROGRAM1 a.bin --name DATA-2 b.bin --name 'END<&>' c.bin \
  --wow 0.5 --dropouts 3 --dropout-ms 6 --dropout-depth 80 --seed 3 tape.wav
# A second take of the tape, its dropouts elsewhere, for the merge's report.
"$encode" --name PROGRAM1 a.bin --name DATA-2 b.bin --name 'END<&>' c.bin \
  --wow 0.5 --dropouts 3 --dropout-ms 6 --dropout-depth 80 --seed 4 take2.wav

width=1000
height=1700
for decoder in robust classic merge; do
  options=()
  takes=(tape.wav)
  [ "$decoder" = robust ] && options=(--robust)
  [ "$decoder" = merge ] && options=(--merge) takes=(tape.wav take2.wav)
  "$cli" "${options[@]}" --report "$decoder.html" "${takes[@]}" >"$decoder.log" ||
    fail "tavro-tape-cli ${options[*]} failed: $(cat "$decoder.log")"
  grep -q 'END&lt;&amp;&gt;' "$decoder.html" || fail "$decoder.html lacks the escaped record name"

  rm -rf profile
  timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars --enable-logging=stderr --v=0 \
    --window-size="$width,$height" --screenshot="$work/$decoder.png" \
    "file://$work/$decoder.html" >"$decoder.browser" 2>&1 ||
    fail "chromium failed on $decoder.html: $(tail -5 "$decoder.browser")"
  if grep -q ':CONSOLE' "$decoder.browser"; then
    grep ':CONSOLE' "$decoder.browser" >&2
    fail "the browser's console has messages for $decoder.html"
  fi
  [ -s "$decoder.png" ] || fail "no screenshot of $decoder.html"

  pngtopnm "$decoder.png" >"$decoder.ppm"
  size=$(pnmfile "$decoder.ppm")
  case $size in
    *" $width by $height "*) ;;
    *) fail "$decoder.png is not $width x $height: $size" ;;
  esac
  # A blank or broken page has a handful of colours; the report has
  # hundreds (text, bars, plots, anti-aliasing).
  colours=$(ppmhist -noheader "$decoder.ppm" | wc -l)
  [ "$colours" -ge 100 ] || fail "$decoder.png looks blank ($colours colours)"
  echo "check-report: $decoder.html ($(wc -c <"$decoder.html") bytes) renders, $colours colours"
done

if [ -n "$screenshot" ]; then
  cd - >/dev/null
  mkdir -p "$(dirname "$screenshot")"
  cp "$work/robust.png" "$screenshot"
  echo "check-report: screenshot in $screenshot"
fi
