# shellcheck shell=bash
# Installing the Debian packages a script needs; sourced by the scripts in
# tools/ (bash), it gives:
#
#   deb_as_root CMD...           CMD as root: directly, or through sudo
#   deb_apt_get ARGS...          apt-get as root, never asking, waiting for the lock
#   deb_missing PACKAGE...       the packages not installed, one a line
#   deb_install NAME PACKAGE...  installs those missing, saying so as NAME
#                                on standard error

deb_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: need root (or sudo) to run: $*" >&2
        exit 1
    fi
}

deb_apt_get() {
    deb_as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
}

deb_missing() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$package"
        fi
    done
}

deb_install() {
    local name=$1
    shift
    local missing
    mapfile -t missing < <(deb_missing "$@")
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "$name: installing ${missing[*]}" >&2
        deb_apt_get update
        deb_apt_get install --no-install-recommends "${missing[@]}"
    fi
}
