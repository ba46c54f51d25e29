# shellcheck shell=bash
# Shell functions for running the Windows programs under Wine, headless.
# Sourced by tools/test-windows.sh and tools/screenshot-windows.sh (bash).
#
#   wine_env_install          install what is missing (Debian, as root or via sudo)
#   wine_env_start            Xvfb, a fresh temporary Wine prefix, a running wineserver
#   wine_env_stop             end them again (safe to call more than once)
#   wine_env_map_drive_i      drive I: with the folder where the program's file dialog starts
#
# wine_env_start exports DISPLAY, WINEPREFIX, WINEDEBUG, LC_ALL and LANG for
# everything started afterwards.

WINE_ENV_PACKAGES=(cmake ninja-build googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                   wine wine64 wine32:i386 fonts-wine xvfb xauth locales)
WINE_ENV_LOCALE=cs_CZ.UTF-8

wine_env_log() { echo "wine-env: $*" >&2; }
wine_env_fail() { echo "wine-env: error: $*" >&2; exit 1; }

wine_env_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        wine_env_fail "need root (or sudo) to run: $*"
    fi
}

wine_env_locale_present() {
    locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx 'cs_cz\.utf-\?8'
}

# Installs the packages that are missing (plus any the caller names), the
# i386 architecture that the 32-bit Wine needs, and the Czech locale.
wine_env_install() {
    local missing=() package
    for package in "${WINE_ENV_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        wine_env_log "installing ${missing[*]}"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            wine_env_as_root dpkg --add-architecture i386
        fi
        wine_env_as_root apt-get update
        wine_env_as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${missing[@]}"
    fi
    if ! wine_env_locale_present; then
        wine_env_log "generating the $WINE_ENV_LOCALE locale"
        if grep -q "^# *$WINE_ENV_LOCALE UTF-8" /etc/locale.gen 2>/dev/null; then
            wine_env_as_root sed -i "s/^# *\($WINE_ENV_LOCALE UTF-8\)/\1/" /etc/locale.gen
        elif ! grep -q "^$WINE_ENV_LOCALE UTF-8" /etc/locale.gen 2>/dev/null; then
            echo "$WINE_ENV_LOCALE UTF-8" | wine_env_as_root tee -a /etc/locale.gen >/dev/null
        fi
        wine_env_as_root locale-gen >/dev/null
        wine_env_locale_present || wine_env_fail "the $WINE_ENV_LOCALE locale is still missing"
    fi
    local tool
    for tool in wine wineserver wineboot Xvfb i686-w64-mingw32-g++-posix i686-w64-mingw32-windres cmake ninja; do
        command -v "$tool" >/dev/null 2>&1 || wine_env_fail "$tool not found after installing"
    done
    [ -d /usr/src/googletest ] || wine_env_fail "/usr/src/googletest not found after installing"
    [ -d /usr/share/wine/fonts ] || wine_env_fail "Wine's fonts (fonts-wine) not found"
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
# folder; the caller sets a trap that runs wine_env_stop.
wine_env_start() {
    WINE_ENV_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tavro-wine.XXXXXX")

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
    wineboot >/dev/null 2>&1 </dev/null || wine_env_fail "wineboot failed"
    # No window manager: unmanaged windows show at once (managed ones wait
    # for one that never comes).
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null ||
        wine_env_fail "could not configure Wine's X11 driver"
    # "MS Sans Serif" with its Central European variant, for the dialog font.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    wine_env_log "Xvfb on $DISPLAY, Wine prefix $WINEPREFIX"
}

# Drive I: holds the folder where the program's file dialog starts
# (I:\Tavro\tavro.kopie), so that the tests can check that it starts there.
wine_env_map_drive_i() {
    mkdir -p "$WINE_ENV_DIR/drive-i/Tavro/tavro.kopie"
    ln -s "$WINE_ENV_DIR/drive-i" "$WINEPREFIX/dosdevices/i:"
    export TAVRO_TEST_DRIVE_I=1
}
