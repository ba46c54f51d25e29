#!/usr/bin/env bash
# Cross-builds libsndfile and PortAudio for Windows with MinGW-w64 from
# Debian's source packages, libsndfile with FLAC support and PortAudio with
# the WASAPI and MME host APIs: static libraries only, without programs,
# documentation or tests, installed with their pkg-config files into
# build/deps/<triple>. libsndfile takes FLAC only together with Ogg, Vorbis
# and Opus (one switch for all four), so those are built too; MPEG support
# (mpg123, LAME) is left out.
#
#   tools/build-windows-deps.sh PRESET     (windows-i686 or windows-x86_64)
#
# Prints the prefix on standard output; everything else goes to standard
# error. On a fresh Debian machine it first installs what it needs (as root,
# or through sudo) and adds deb-src entries for the archive that the
# machine's deb entries name. A prefix whose stamp names the same source
# versions and the same recipe (this script and the toolchain files) is left
# as it is.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
script=$root/tools/build-windows-deps.sh

log() { echo "build-windows-deps: $*" >&2; }
fail() {
    echo "build-windows-deps: error: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: tools/build-windows-deps.sh windows-i686|windows-x86_64"
case $1 in
    windows-i686) triple=i686-w64-mingw32 debarch=i686 ;;
    windows-x86_64) triple=x86_64-w64-mingw32 debarch=x86-64 ;;
    *) fail "unknown preset '$1' (windows-i686 or windows-x86_64)" ;;
esac

# Only the prefix goes to standard output.
exec 3>&1 1>&2

# Built in this order: each one finds the ones before it in the prefix.
sources=(libogg flac libvorbis opus libsndfile portaudio19)
packages=(dpkg-dev make cmake ninja-build pkg-config "g++-mingw-w64-$debarch-posix" "binutils-mingw-w64-$debarch")

deps=$root/build/deps
prefix=$deps/$triple
work=$deps/build/$triple
stamp=$prefix/tavro-deps.stamp

# shellcheck source=tools/debian-packages.sh
source "$root/tools/debian-packages.sh"

install_packages() {
    deb_install build-windows-deps "${packages[@]}"
    local tool
    for tool in dpkg-source apt-get make cmake ninja pkg-config flock "$triple-gcc-posix" "$triple-g++-posix" "$triple-ar" "$triple-nm"; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool not found after installing"
    done
}

# deb-src stanzas for every enabled deb stanza of a deb822 file: the same
# URIs, suites, components and Signed-By keyring.
deb822_sources() {
    awk '
        function flush() {
            if (n > 0 && deb && !src && enabled) {
                print "Types: deb-src"
                for (i = 1; i <= n; i++) print lines[i]
                print ""
            }
            n = 0; deb = 0; src = 0; enabled = 1; skip = 0
        }
        BEGIN { flush() }
        /^[ \t]*$/ { flush(); next }
        /^#/ { next }
        /^[ \t]/ { if (!skip) lines[++n] = $0; next }
        {
            field = tolower($0); sub(/:.*/, "", field)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value)
            skip = 0
            if (field == "types") {
                if (value ~ /(^|[ \t])deb([ \t]|$)/) deb = 1
                if (value ~ /(^|[ \t])deb-src([ \t]|$)/) src = 1
                skip = 1; next
            }
            if (field == "enabled") { enabled = tolower(value) != "no"; skip = 1; next }
            lines[++n] = $0
        }
        END { flush() }
    ' "$@"
}

# deb-src lines for the deb lines of a one-line-style sources.list.
one_line_sources() {
    sed -n 's/^[ \t]*deb[ \t]\+/deb-src /p' "$@"
}

# What apt-get source would fetch for all the packages: their URIs, with the
# file names and so the versions.
source_uris() {
    (cd / && apt-get source --print-uris "${sources[@]}")
}

add_deb_src() {
    local lists=() text
    shopt -s nullglob
    lists=(/etc/apt/sources.list.d/*.sources)
    shopt -u nullglob
    text=""
    [ "${#lists[@]}" -eq 0 ] || text=$(deb822_sources "${lists[@]}")
    if [ -n "$text" ]; then
        log "adding deb-src entries in /etc/apt/sources.list.d/tavro-deb-src.sources"
        printf '%s\n' "$text" | deb_as_root tee /etc/apt/sources.list.d/tavro-deb-src.sources >/dev/null
    fi
    text=""
    [ ! -f /etc/apt/sources.list ] || text=$(one_line_sources /etc/apt/sources.list)
    if [ -n "$text" ]; then
        log "adding deb-src entries in /etc/apt/sources.list.d/tavro-deb-src.list"
        printf '%s\n' "$text" | deb_as_root tee /etc/apt/sources.list.d/tavro-deb-src.list >/dev/null
    fi
    deb_apt_get update
}

# The version of a package in the name of its .dsc file.
dsc_version() {
    local dsc
    dsc=$(awk -v name="$1_" 'index($2, name) == 1 && $2 ~ /\.dsc$/ { print $2 }' <<<"$uris")
    [ -n "$dsc" ] || fail "apt-get source finds no source package $1"
    dsc=${dsc%.dsc}
    echo "${dsc#"$1"_}"
}

# Unpacked sources in build/deps/src/<package>_<version>/<folder>, fetched
# once per version; prints the folder.
fetch_source() {
    local package=$1 version=$2
    local dir=$deps/src/${package}_$version
    if [ ! -d "$dir" ]; then
        log "fetching $package $version"
        rm -rf "$dir.part"
        mkdir -p "$dir.part"
        (cd "$dir.part" && apt-get source -q "$package=$version" >&2)
        mv "$dir.part" "$dir"
    fi
    local found=("$dir"/*/)
    if [ "${#found[@]}" -ne 1 ] || [ ! -d "${found[0]}debian" ]; then
        fail "$dir does not hold one unpacked source package"
    fi
    echo "${found[0]%/}"
}

# Builds the package's default targets, or those that the variable targets
# names, and installs it.
build_package() {
    local package=$1 src=$2
    shift 2
    local dir=$work/$package build=()
    [ -z "${targets:-}" ] || build=(--target "$targets")
    log "building $package for $triple"
    cmake -S "$src" -B "$dir" -G Ninja --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_PREFIX_PATH="$prefix" \
        -DBUILD_SHARED_LIBS=OFF \
        -DBUILD_TESTING=OFF \
        "$@"
    cmake --build "$dir" "${build[@]}"
    cmake --install "$dir"
}

# For a package whose CMake files are incomplete: its shipped configure
# script, as Debian builds it; in the folder that builddir names (the
# source folder itself for a package that builds in its tree only).
build_package_autotools() {
    local package=$1 src=$2
    shift 2
    local dir=${builddir:-$work/$package}
    log "building $package for $triple"
    mkdir -p "$dir"
    (cd "$dir" && "$src/configure" --host="$triple" --prefix="$prefix" --libdir="$prefix/lib" \
        --disable-shared --enable-static --disable-maintainer-mode --disable-dependency-tracking \
        CC="$triple-gcc-posix" AR="$triple-ar" RANLIB="$triple-ranlib" "$@")
    make -C "$dir" -j "$(nproc)"
    make -C "$dir" install
}

install_packages
if ! uris=$(source_uris 2>/dev/null); then
    add_deb_src
    uris=$(source_uris) || fail "apt-get source fails even with deb-src entries"
fi

declare -A versions
# The recipe: this script and the toolchain files that the builds include.
recipe=$(cat "$script" "$root/cmake/toolchain-mingw-w64.cmake" "$root/cmake/toolchain-$triple.cmake" |
    sha256sum | cut -d' ' -f1)
wanted="triple $triple"$'\n'"prefix $prefix"$'\n'"recipe $recipe"
for package in "${sources[@]}"; do
    versions[$package]=$(dsc_version "$package")
    wanted+=$'\n'"$package ${versions[$package]}"
done

mkdir -p "$deps"
exec 9>"$deps/lock"
flock 9

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    log "$prefix is up to date"
    echo "$prefix" >&3
    exit 0
fi

start=$SECONDS
rm -rf "$prefix" "$work"
mkdir -p "$prefix" "$work"

declare -A src
for package in "${sources[@]}"; do
    src[$package]=$(fetch_source "$package" "${versions[$package]}")
done

# The project's toolchain, with the prefix as a second root for find_*().
cat >"$work/toolchain.cmake" <<EOF
include("$root/cmake/toolchain-$triple.cmake")
list(APPEND CMAKE_FIND_ROOT_PATH "$prefix")
EOF

# pkg-config sees the prefix only, never the build machine's own packages.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
unset PKG_CONFIG_PATH PKG_CONFIG_SYSROOT_DIR

build_package libogg "${src[libogg]}" -DINSTALL_DOCS=OFF
# Without stack protection and _FORTIFY_SOURCE, here and for Opus: with
# MinGW both need libssp, which every program that links libsndfile would
# then have to link too.
# FLAC's helper libraries for its programs and its benchmark are built
# whatever the options say: the library alone.
targets=FLAC build_package flac "${src[flac]}" -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON \
    -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF
build_package libvorbis "${src[libvorbis]}"
# Opus 1.3.1's release lacks a file that its CMakeLists.txt includes.
build_package_autotools opus "${src[opus]}" --disable-doc --disable-extra-programs --disable-stack-protector \
    CPPFLAGS=-D_FORTIFY_SOURCE=0
# libsndfile finds the codecs through its own find modules, which leave out
# the FLAC__NO_DLL that FLAC's headers need for a static libFLAC on Windows.
build_package libsndfile "${src[libsndfile]}" -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=OFF \
    -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_REGTEST=OFF -DENABLE_CPACK=OFF \
    -DINSTALL_MANPAGES=OFF -DCMAKE_C_FLAGS=-DFLAC__NO_DLL
# libsndfile installs its documentation in any case.
rm -rf "$prefix/share/doc"
# PortAudio's CMake files of this version build no static library to
# install and leave WASAPI out with MinGW; its configure script does both,
# in a copy of its tree (its Makefile makes no folders for its objects).
# Its WASAPI source includes the system's headers for Visual C++ only and
# otherwise declares the types itself, unless the headers set NTDDI_VERSION,
# as MinGW-w64's do: then it has neither. The copy includes MinGW-w64's
# headers first, defining the GUIDs and property keys it uses (INITGUID),
# and goes without the old copies of them that it ships.
cp -a "${src[portaudio19]}" "$work/portaudio19"
rm -rf "$work/portaudio19/src/hostapi/wasapi/mingw-include"
wasapi=$work/portaudio19/src/hostapi/wasapi/pa_win_wasapi.c
{
    printf '%s\n' '#define COBJMACROS' '#define INITGUID' '#include <windows.h>' '#include <mmreg.h>' \
        '#include <avrt.h>' '#include <audioclient.h>' '#include <endpointvolume.h>' \
        '#include <mmdeviceapi.h>' '#include <functiondiscoverykeys_devpkey.h>' \
        '#include <devicetopology.h>' '#undef INITGUID'
    cat "$wasapi"
} >"$wasapi.new"
mv "$wasapi.new" "$wasapi"
builddir=$work/portaudio19 build_package_autotools portaudio19 "$work/portaudio19" --with-winapi=wmme,wasapi

# What a finished build holds: static libraries only, and a libsndfile
# that came with the external codecs.
[ -f "$prefix/lib/libsndfile.a" ] || fail "libsndfile.a is missing in $prefix/lib"
[ -f "$prefix/lib/libportaudio.a" ] || fail "libportaudio.a is missing in $prefix/lib"
dlls=$(find "$prefix" \( -iname '*.dll' -o -iname '*.dll.a' \) -print)
[ -z "$dlls" ] || fail "the prefix holds DLLs or import libraries: $dlls"
chk=$(for archive in "$prefix"/lib/*.a; do "$triple-nm" -A "$archive"; done |
    grep -E ' U _*(__stack_chk_fail|[a-z]+_chk)$' || true)
[ -z "$chk" ] || fail "the libraries need libssp (stack protection or _FORTIFY_SOURCE): $chk"
pkg-config --static --libs sndfile | grep -q -- '-lFLAC' ||
    fail "sndfile.pc does not bring FLAC (libsndfile was built without its external codecs)"

printf '%s\n' "$wanted" >"$stamp"
log "built ${sources[*]} for $triple in $((SECONDS - start)) s"
echo "$prefix" >&3
