#!/usr/bin/env bash
# Cross-builds libidn2 for 64-bit Windows from Debian's own libidn2 source
# package, the version the Linux build links (libidn2-dev's source
# version), so that both programs turn a host name into the same A-labels.
# A static library with the libunistring parts libidn2 bundles, built as
# NSPR is (scripts/windows/build_nspr.sh): the .exe's hardening flags and
# debug information whose paths are mapped away, into $IDN2_WIN_PREFIX
# (default build-win/idn2), with DEBIAN-SOURCE-VERSION and BUILD-KEY. Does
# nothing when the prefix holds a build of the same key.
#
# usage: scripts/windows/build_idn2.sh
set -euo pipefail

cd "$(dirname "$0")/../.."
PREFIX=$(realpath -m "${IDN2_WIN_PREFIX:-build-win/idn2}")
SRC=$(realpath -m "${IDN2_WIN_SRC:-build-win/idn2-src}")
scripts/install_packages.sh cmake g++-mingw-w64-x86-64 dpkg-dev make libidn2-dev
VERSION=$(dpkg-query -W -f='${source:Version}' libidn2-dev)
FLAGS="$(cmake -P cmake/windows-hardening.cmake) -g -O2"
KEY="libidn2 $VERSION; $(scripts/windows/toolchain_key.sh "$FLAGS")"
[ -f "$PREFIX/lib/libidn2.a" ] && [ "$(cat "$PREFIX/BUILD-KEY" 2>/dev/null)" = "$KEY" ] && exit 0

scripts/windows/debian_source.sh libidn2 "$VERSION" "$SRC"
top=$(find "$SRC" -maxdepth 2 -name configure -path '*/libidn2-*/configure' | head -1)
[ -n "$top" ] || { echo "libidn2 source not found under $SRC" >&2; exit 1; }

mkdir -p "$SRC/obj"
cd "$SRC/obj"
# Only the library: no tool, no manual, no translations (the tool never
# sets a locale, so its messages are the English ones on Linux too), no
# iconv (the tool hands libidn2 UTF-8 alone). The bundled libunistring goes
# into libidn2.a; its gnulib parts are built first, as the library needs
# their headers.
CFLAGS="$FLAGS -ffile-prefix-map=$SRC=idn2" LDFLAGS="$FLAGS -static" \
    "$top" --host=x86_64-w64-mingw32 --prefix="$PREFIX" --disable-shared --enable-static \
    --disable-doc --disable-nls --without-libiconv-prefix --disable-valgrind-tests >configure.log 2>&1 ||
    { tail -40 configure.log >&2; exit 1; }
{ make -C gl -j "$(nproc)" && make -C unistring -j "$(nproc)" && make -C lib -j "$(nproc)"; } \
    >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
rm -rf "$PREFIX"
make -C lib install >/dev/null
echo "$VERSION" >"$PREFIX/DEBIAN-SOURCE-VERSION"
echo "$KEY" >"$PREFIX/BUILD-KEY"
ls "$PREFIX/lib"
