#!/usr/bin/env bash
# Packages tavro-tape with CPack.
#
#   tools/package.sh             the Debian package: build/packages/tavro-tape_VERSION_ARCH.deb
#   tools/package.sh --test      the same, then check it: lintian, apt-get install, the
#                                installed programs, manual pages and completion, purge
#   tools/package.sh --zip DIR   the Windows zip of the built cross-build folder DIR
#                                (build/windows-i686) into build/packages, unpacked and
#                                tried under Wine; tools/test-windows.sh runs it in its
#                                Wine environment
#
# The Debian package is built in build/package-native with Debian's build
# flags (dpkg-buildflags, all hardening) and installs into /usr. On a fresh
# Debian machine the script first installs what it needs (as root, or
# through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

log() { echo "package: $*" >&2; }
fail() {
    echo "package: error: $*" >&2
    exit 1
}

# Fails with one line for each failure given, if any.
report() {
    [ $# -eq 0 ] && return
    printf 'package: FAILED: %s\n' "$@" >&2
    exit 1
}

# shellcheck source=tools/debian-packages.sh
source tools/debian-packages.sh
install_packages() { deb_install package "$@"; }

# The project's version, as CMake has it in a configured build folder.
project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

build_deb() {
    tools/install-deps.sh
    # dpkg-shlibdeps (dpkg-dev) and file, which CPack needs for Depends.
    install_packages dpkg-dev file gzip
    local build=build/package-native
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
    export SOURCE_DATE_EPOCH
    # Warnings are not errors here: Debian's flags (_FORTIFY_SOURCE) bring
    # warnings of their own, which a package build reports but survives; the
    # native and sanitizer builds hold the project's code to its warnings.
    cmake -S . -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DTAVRO_WERROR=OFF -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
    cmake --build "$build"
    rm -rf "$build/cpack"
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/cpack"
    mkdir -p build/packages
    rm -f build/packages/tavro-tape_*.deb
    cp "$build"/cpack/tavro-tape_*.deb build/packages/
    deb=$(echo build/packages/tavro-tape_*.deb)
    version=$(project_version "$build")
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb is not version $version"
    log "built $deb"
}

# Each line: what to type after the program, then the completions that must
# be among the offered ones (! before one: must not be offered), in a folder
# holding a.wav, b.FLAC, c.txt and the folder sub.
completion_cases=(
    "tavro-tape-cli --ver|--version"
    "tavro-tape-cli |a.wav b.FLAC sub/ !c.txt"
    "tavro-tape-cli -- |a.wav !c.txt"
    "tavro-tape-cli --mer|--merge"
    "tavro-tape-cli --merge |a.wav b.FLAC !c.txt"
    "tavro-tape-cli --merge --report |a.wav c.txt"
    "tavro-tape-encode |a.wav c.txt"
    "tavro-tape-encode --bits |8 16 24 !a.wav"
    "tavro-tape-encode --channels |1 2 !a.wav"
    "tavro-tape-encode --other |copy silence noise"
    "tavro-tape-encode --rate |!a.wav"
)

# Completes every case in a fresh bash that loads the installed completion
# the way an interactive shell does; prints a line for each failure.
check_completion() {
    local folder=$1
    mkdir -p "$folder/sub"
    touch "$folder/a.wav" "$folder/b.FLAC" "$folder/c.txt"
    (
        cd "$folder"
        printf '%s\n' "${completion_cases[@]}" | bash --norc --noprofile -c '
            source /usr/share/bash-completion/bash_completion
            while IFS="|" read -r typed expected; do
                read -ra COMP_WORDS <<<"$typed"
                [[ $typed == *" " ]] && COMP_WORDS+=("")
                COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
                COMP_LINE=$typed COMP_POINT=${#typed} COMPREPLY=()
                _completion_loader "${COMP_WORDS[0]}"
                registration=$(complete -p "${COMP_WORDS[0]}") || { echo "no completion: $typed"; continue; }
                function=${registration#*-F } function=${function%% *}
                "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
                offered=" ${COMPREPLY[*]} "
                for word in $expected; do
                    if [[ $word == !* ]]; then
                        [[ $offered != *" ${word#!} "* ]] || echo "\"$typed\" offers ${word#!}:$offered"
                    else
                        [[ $offered == *" ${word%/} "* ]] || echo "\"$typed\" lacks $word:$offered"
                    fi
                done
            done'
    )
}

purge_package() {
    if dpkg-query -W -f='${Status}' tavro-tape 2>/dev/null | grep -q 'installed'; then
        log "purging tavro-tape"
        deb_apt_get purge tavro-tape >/dev/null
    fi
}

test_deb() {
    install_packages lintian man-db groff-base bash-completion
    log "lintian $deb"
    lintian --fail-on error --display-info --pedantic "$deb"

    # Global: the EXIT trap removes it.
    work=$(mktemp -d "${TMPDIR:-/tmp}/tavro-package.XXXXXX")
    trap 'purge_package; rm -rf "$work"' EXIT
    # The helper that presses Esc in the installed dialog.
    cmake -S tests/package -B build/package-native/press-escape -G Ninja >/dev/null
    cmake --build build/package-native/press-escape

    log "installing $deb"
    deb_apt_get install "./$deb"

    local failures=()
    [ "$(command -v tavro-tape-cli)" = /usr/bin/tavro-tape-cli ] || failures+=("tavro-tape-cli is not /usr/bin's")
    local shown
    shown=$(/usr/bin/tavro-tape-cli --version)
    [ "$shown" = "tavro-tape-cli $version" ] || failures+=("--version says \"$shown\", not $version")

    # The demo recording, made and decoded by the installed programs.
    /usr/bin/tavro-tape-encode --bits 16 --name DEMO demo/demo.txt "$work/demo.wav"
    (cd "$work" && /usr/bin/tavro-tape-cli demo.wav >log.txt) || failures+=("tavro-tape-cli failed: $(cat "$work/log.txt")")
    [ "$(tail -n 1 "$work/log.txt")" = "status: Hotovo :-)" ] || failures+=("the demo run did not end with Hotovo")
    tail -c "$(stat -c %s demo/demo.txt)" "$work/test.dat" | cmp -s - demo/demo.txt ||
        failures+=("test.dat does not end with the demo text")

    # The dialog on Qt's offscreen platform: it shows and closes on Esc.
    shown=$(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
        LD_PRELOAD="$root/build/package-native/press-escape/libtavro-press-escape.so" \
        timeout 60 /usr/bin/tavro-tape) || failures+=("tavro-tape did not end on Esc (status $?)")
    [ "$shown" = "dialog: Tavro tape 1.0" ] || failures+=("tavro-tape showed \"$shown\"")

    # The studio: its version without a display, its menu entry.
    shown=$(/usr/bin/tavro-tape-studio --version) || failures+=("tavro-tape-studio --version failed")
    [ "$shown" = "tavro-tape-studio $version" ] || failures+=("tavro-tape-studio --version says \"$shown\"")
    [ -f /usr/share/applications/tavro-tape-studio.desktop ] || failures+=("the studio has no desktop entry")

    local page path
    for page in tavro-tape tavro-tape-cli tavro-tape-encode tavro-tape-studio; do
        path=$(man -w "$page") || { failures+=("man -w $page finds nothing"); continue; }
        [ "$path" = "/usr/share/man/man1/$page.1.gz" ] || failures+=("man -w $page gives $path")
        zcat "$path" | grep -q "^\.TH .* \"tavro-tape $version\"" || failures+=("$page.1 is not of version $version")
        shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$path" 2>&1 >/dev/null)
        [ -z "$shown" ] || failures+=("man -l $path warns: $shown")
    done

    shown=$(check_completion "$work/completion")
    [ -z "$shown" ] || failures+=("completion: $shown")

    local files
    files=$(dpkg -L tavro-tape)
    purge_package
    trap 'rm -rf "$work"' EXIT
    ! dpkg-query -W -f='${Status}' tavro-tape 2>/dev/null | grep -q installed ||
        failures+=("tavro-tape is still installed")
    # Shared folders (/usr/bin) stay; the package's own files and folders go.
    while read -r path; do
        if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == *tavro-tape* ]]; }; then
            failures+=("$path is left after the purge")
        fi
    done <<<"$files"

    report "${failures[@]}"
    log "the installed package passed, and was purged"
}

# The Windows zip of the cross-build folder $1: made with CPack, unpacked into
# a temporary folder, where its programs must run under Wine (set up by the
# caller): the encoder's recording of the demo text decodes back to it.
zip_windows() {
    local build=$1
    [ -f "$build/CPackConfig.cmake" ] || fail "$build is no configured build folder"
    [ -n "${WINEPREFIX:-}" ] || fail "--zip needs the Wine environment of tools/test-windows.sh"
    install_packages unzip
    rm -rf "$build/cpack"
    cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$build/cpack"
    local zip name
    zip=$(echo "$build"/cpack/tavro-tape-*.zip)
    name=$(basename "$zip" .zip)
    mkdir -p build/packages
    cp "$zip" build/packages/
    unzip -l "$zip"

    local failures=()
    # Global: the EXIT trap removes it.
    work=$(mktemp -d "${TMPDIR:-/tmp}/tavro-zip.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    unzip -q "$zip" -d "$work"
    local folder=$work/$name expected listed
    expected=$(printf '%s\n' README.txt tavro-tape-cli.exe tavro-tape-encode.exe tavro-tape-studio.exe \
        tavro-tape.exe | sort)
    listed=$(cd "$folder" && find . -type f -printf '%P\n' | sort)
    [ "$listed" = "$expected" ] || failures+=("the zip's folder holds: ${listed//$'\n'/ }")
    ! grep -qv $'\r$' "$folder/README.txt" || failures+=("README.txt has lines without CR LF")

    # Run from another folder, by the unpacked programs' paths.
    mkdir "$work/run"
    cd "$work/run"
    local version shown
    version=$(project_version "$root/$build")
    shown=$(wine "$folder/tavro-tape-cli.exe" --version | tr -d '\r')
    [ "$shown" = "tavro-tape-cli $version" ] || failures+=("--version says \"$shown\", not $version")
    wine "$folder/tavro-tape-encode.exe" --bits 16 --name DEMO "$root/demo/demo.txt" demo.wav ||
        failures+=("tavro-tape-encode.exe failed")
    wine "$folder/tavro-tape-cli.exe" demo.wav >log.txt || failures+=("tavro-tape-cli.exe failed")
    [ "$(tail -n 1 log.txt)" = "status: Hotovo :-)" ] || failures+=("the run ended: $(tail -n 1 log.txt)")
    tail -c "$(stat -c %s "$root/demo/demo.txt")" test.dat | cmp -s - "$root/demo/demo.txt" ||
        failures+=("test.dat does not end with the demo text")
    cd "$root"

    report "${failures[@]}"
    log "build/packages/$name.zip runs from its unpacked folder"
}

case ${1:-} in
    "")
        build_deb
        ;;
    --test)
        build_deb
        test_deb
        ;;
    --zip)
        [ $# -eq 2 ] || fail "usage: tools/package.sh --zip BUILD_FOLDER"
        zip_windows "$2"
        ;;
    *)
        fail "usage: tools/package.sh [--test | --zip BUILD_FOLDER]"
        ;;
esac
