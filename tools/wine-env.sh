# shellcheck shell=bash
# Shell functions for running the Windows programs under Wine, headless.
# Sourced by tools/test-windows.sh and tools/screenshot-windows*.sh (bash).
#
#   wine_env_install          install what is missing (Debian, as root or via sudo)
#   wine_env_choose_preset P [fallback]
#                             the preset whose programs Wine runs here, and 32 or 64-bit Wine
#   wine_env_start            Xvfb, a fresh temporary Wine prefix, a running wineserver
#   wine_env_stop             end them again (safe to call more than once)
#   wine_env_map_drive_i      drive I: with the folder where the program's file dialog starts
#
# wine_env_start exports DISPLAY, WINEPREFIX, WINEDEBUG, LC_ALL and LANG for
# everything started afterwards; for 64-bit programs also WINEARCH, WINELOADER
# and a PATH on which `wine` is Wine's 64-bit loader.

# shellcheck source=tools/debian-packages.sh
source "$(dirname "${BASH_SOURCE[0]}")/debian-packages.sh"

WINE_ENV_PACKAGES=(cmake ninja-build googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                   wine wine64 wine32:i386 fonts-wine xvfb xauth locales)
WINE_ENV_LOCALE=cs_CZ.UTF-8

wine_env_log() { echo "wine-env: $*" >&2; }
wine_env_fail() { echo "wine-env: error: $*" >&2; exit 1; }

wine_env_locale_present() {
    locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx 'cs_cz\.utf-\?8'
}

# Installs the packages that are missing (plus any the caller names), the
# i386 architecture that the 32-bit Wine needs, and the Czech locale.
wine_env_install() {
    if [ -n "$(deb_missing "${WINE_ENV_PACKAGES[@]}" "$@")" ] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        deb_as_root dpkg --add-architecture i386
    fi
    deb_install wine-env "${WINE_ENV_PACKAGES[@]}" "$@"
    if ! wine_env_locale_present; then
        wine_env_log "generating the $WINE_ENV_LOCALE locale"
        if grep -q "^# *$WINE_ENV_LOCALE UTF-8" /etc/locale.gen 2>/dev/null; then
            deb_as_root sed -i "s/^# *\($WINE_ENV_LOCALE UTF-8\)/\1/" /etc/locale.gen
        elif ! grep -q "^$WINE_ENV_LOCALE UTF-8" /etc/locale.gen 2>/dev/null; then
            echo "$WINE_ENV_LOCALE UTF-8" | deb_as_root tee -a /etc/locale.gen >/dev/null
        fi
        deb_as_root locale-gen >/dev/null
        wine_env_locale_present || wine_env_fail "the $WINE_ENV_LOCALE locale is still missing"
    fi
    local tool
    for tool in wine wineserver wineboot Xvfb i686-w64-mingw32-g++-posix i686-w64-mingw32-windres \
                x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres cmake ninja; do
        command -v "$tool" >/dev/null 2>&1 || wine_env_fail "$tool not found after installing"
    done
    [ -e "$WINE_ENV_LOADER32" ] || wine_env_fail "Wine's 32-bit loader $WINE_ENV_LOADER32 not found (wine32:i386)"
    wine_env_loader64 >/dev/null || wine_env_fail "Wine's 64-bit loader wine64 not found (wine64)"
    [ -d /usr/src/googletest ] || wine_env_fail "/usr/src/googletest not found after installing"
    [ -d /usr/share/wine/fonts ] || wine_env_fail "Wine's fonts (fonts-wine) not found"
}

# Wine's loaders. Debian's `wine` starts the 32-bit one whenever wine32 is
# installed, whatever the program; the 64-bit one is started by name.
WINE_ENV_LOADER32=/usr/lib/wine/wine
wine_env_loader64() {
    command -v wine64 2>/dev/null || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; }
}

# Succeeds when this machine runs 32-bit programs: the 32-bit loader prints
# its version. A kernel without IA-32 emulation refuses to execute it
# (ENOEXEC); WINE_ENV_NO_32BIT then says what happened.
WINE_ENV_NO_32BIT=""
wine_env_runs_32bit() {
    local out status=0
    out=$("$WINE_ENV_LOADER32" --version 2>&1 </dev/null) || status=$?
    if [ "$status" -eq 0 ] && [[ $out == wine-* ]]; then
        return 0
    fi
    out=$(tail -n 1 <<<"$out")
    WINE_ENV_NO_32BIT="$WINE_ENV_LOADER32 --version fails with exit status $status: ${out##*: }"
    return 1
}

# The one place that decides between 32 and 64-bit Wine: sets WINE_ENV_PRESET
# to the preset to build and test, and WINE_ENV_BITS to the Wine it needs.
# windows-i686 needs a machine that runs 32-bit code; without one, the
# default (second argument "fallback") turns into windows-x86_64 with a line
# that says why, and a preset asked for by name is an error.
WINE_ENV_PRESET=""
WINE_ENV_BITS=""
wine_env_choose_preset() {
    local preset=$1 fallback=${2:-}
    case $preset in
        windows-i686)
            if wine_env_runs_32bit; then
                WINE_ENV_BITS=32
            elif [ "$fallback" = fallback ]; then
                wine_env_log "this machine runs no 32-bit code ($WINE_ENV_NO_32BIT), so 32-bit Wine" \
                    "cannot start: using windows-x86_64 under 64-bit Wine instead of windows-i686"
                preset=windows-x86_64
                WINE_ENV_BITS=64
            else
                wine_env_fail "windows-i686 needs 32-bit Wine, and this machine runs no 32-bit code" \
                    "($WINE_ENV_NO_32BIT); windows-x86_64 runs under 64-bit Wine"
            fi
            ;;
        windows-x86_64) WINE_ENV_BITS=64 ;;
        *) wine_env_fail "unknown preset '$preset' (windows-i686 or windows-x86_64)" ;;
    esac
    WINE_ENV_PRESET=$preset
}

WINE_ENV_DIR=""
WINE_ENV_XVFB_PID=""

wine_env_stop() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "$WINE_ENV_XVFB_PID" ]; then
        kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
        wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
        WINE_ENV_XVFB_PID=""
    fi
    if [ -n "$WINE_ENV_DIR" ]; then
        rm -rf "$WINE_ENV_DIR"
        WINE_ENV_DIR=""
    fi
}

# Starts Xvfb on a free display and a fresh Wine prefix in a temporary
# folder, for the Wine that wine_env_choose_preset chose; the caller sets a
# trap that runs wine_env_stop.
wine_env_start() {
    [ -n "$WINE_ENV_BITS" ] || wine_env_fail "wine_env_start before wine_env_choose_preset"
    WINE_ENV_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tavro-wine.XXXXXX")

    if [ "$WINE_ENV_BITS" = 64 ]; then
        # A 64-bit prefix, and the 64-bit loader for every `wine` started from
        # here on (the tests' scripts, the zip's check) and for the processes
        # that Wine starts itself.
        local loader
        loader=$(wine_env_loader64) || wine_env_fail "Wine's 64-bit loader wine64 not found"
        mkdir "$WINE_ENV_DIR/bin"
        printf '#!/bin/sh\nexec %q "$@"\n' "$loader" >"$WINE_ENV_DIR/bin/wine"
        chmod +x "$WINE_ENV_DIR/bin/wine"
        export PATH="$WINE_ENV_DIR/bin:$PATH"
        export WINEARCH=win64 WINELOADER="$loader"
    fi

    # Xvfb picks a free display and writes its number to the pipe.
    local displayfile="$WINE_ENV_DIR/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    local tries=0
    while [ ! -s "$displayfile" ]; do
        kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null || wine_env_fail "Xvfb did not start"
        tries=$((tries + 1))
        [ "$tries" -lt 200 ] || wine_env_fail "Xvfb gave no display within 20 s"
        sleep 0.1
    done
    DISPLAY=":$(head -n1 "$displayfile")"
    export DISPLAY

    export WINEPREFIX="$WINE_ENV_DIR/prefix"
    mkdir -p "$WINEPREFIX"
    export WINEDEBUG=-all
    export LC_ALL="$WINE_ENV_LOCALE" LANG="$WINE_ENV_LOCALE"
    # No Mono or Gecko installers while the prefix is made.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    # Wine's background processes must not inherit the caller's output
    # (CTest would wait for them to close it).
    wineserver -p >/dev/null 2>&1 </dev/null || wine_env_fail "wineserver did not start"
    # The first program in a new prefix sets it up; plain wineboot does no
    # more. (wineboot -i would start a second service manager beside the one
    # of the set-up, and every program that starts the desktop would then
    # wait 10 s for a service that neither of them can start.)
    wine wineboot >/dev/null 2>&1 </dev/null || wine_env_fail "wineboot failed"
    # No window manager: unmanaged windows show at once (managed ones wait
    # for one that never comes).
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null ||
        wine_env_fail "could not configure Wine's X11 driver"
    # "MS Sans Serif" with its Central European variant, for the dialog font.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    wine_env_log "Xvfb on $DISPLAY, $WINE_ENV_BITS-bit Wine ($(command -v wine)), prefix $WINEPREFIX"
}

# Drive I: holds the folder where the program's file dialog starts
# (I:\Tavro\tavro.kopie), so that the tests can check that it starts there.
wine_env_map_drive_i() {
    mkdir -p "$WINE_ENV_DIR/drive-i/Tavro/tavro.kopie"
    ln -s "$WINE_ENV_DIR/drive-i" "$WINEPREFIX/dosdevices/i:"
    export TAVRO_TEST_DRIVE_I=1
}
