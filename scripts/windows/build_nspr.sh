#!/usr/bin/env bash
# Cross-builds NSPR for 64-bit Windows from Debian's own NSPR source package,
# the version the Linux build links (libnspr4-dev's source version), so that
# both programs ship the same NSPR. Built with the mingw-w64 toolchain and
# the .exe's hardening flags (cmake/windows-hardening.cmake), with debug
# information whose paths are mapped away, into $NSPR_WIN_PREFIX (default
# build-win/nspr): the source version in DEBIAN-SOURCE-VERSION, and in
# BUILD-KEY that version, the toolchain's package versions and the flags.
# Does nothing when the prefix holds a build of the same key.
#
# usage: scripts/windows/build_nspr.sh
set -euo pipefail

cd "$(dirname "$0")/../.."
PREFIX=$(realpath -m "${NSPR_WIN_PREFIX:-build-win/nspr}")
SRC=$(realpath -m "${NSPR_WIN_SRC:-build-win/nspr-src}")
scripts/install_packages.sh cmake g++-mingw-w64-x86-64 dpkg-dev make libnspr4-dev
VERSION=$(dpkg-query -W -f='${source:Version}' libnspr4-dev)
# -g: the release check reads every object's flags from its debug
# information; the map keeps the source folder out of the bytes.
FLAGS="$(cmake -P cmake/windows-hardening.cmake) -g"
KEY="nspr $VERSION; $(scripts/windows/toolchain_key.sh "$FLAGS")"
[ -f "$PREFIX/lib/libnspr4_s.a" ] && [ "$(cat "$PREFIX/BUILD-KEY" 2>/dev/null)" = "$KEY" ] && exit 0

scripts/windows/debian_source.sh nspr "$VERSION" "$SRC"
top=$(find "$SRC" -maxdepth 3 -name configure -path '*/nspr/configure' | head -1)
[ -n "$top" ] || { echo "NSPR source not found under $SRC" >&2; exit 1; }

mkdir -p "$SRC/obj"
cd "$SRC/obj"
# NSPR's own DLLs (not shipped) need the stack protector's runtime too:
# GCC's libssp, linked in rather than as a DLL, and not exported, or NSPR's
# other DLLs would get it twice. The .exe carries a runtime of its own
# (src/platform/stack_guard_win32.cpp).
CFLAGS="$FLAGS -ffile-prefix-map=$SRC=nspr" LDFLAGS="$FLAGS -static -Wl,--exclude-libs,libssp.a" \
    "$top" --target=x86_64-w64-mingw32 --enable-win32-target=WIN95 --enable-64bit \
    --prefix="$PREFIX" --disable-debug --enable-optimize >/dev/null
# NSPR's own warnings are shown only when its build fails.
make -j "$(nproc)" >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
rm -rf "$PREFIX"
make install >/dev/null
echo "$VERSION" >"$PREFIX/DEBIAN-SOURCE-VERSION"
echo "$KEY" >"$PREFIX/BUILD-KEY"
ls "$PREFIX/lib"
