#!/usr/bin/env bash
# Cross-builds NSPR for 64-bit Windows from Debian's own NSPR source package,
# with the mingw-w64 toolchain and the .exe's hardening flags
# (cmake/windows-hardening.cmake), into $NSPR_WIN_PREFIX (default
# build-win/nspr), with the source package's version in its file
# DEBIAN-SOURCE-VERSION and the flags in HARDENING. Does nothing when that
# prefix already holds a build with those flags.
#
# usage: scripts/windows/build_nspr.sh
set -euo pipefail

cd "$(dirname "$0")/../.."
PREFIX=$(realpath -m "${NSPR_WIN_PREFIX:-build-win/nspr}")
SRC=$(realpath -m "${NSPR_WIN_SRC:-build-win/nspr-src}")
scripts/install_packages.sh cmake g++-mingw-w64-x86-64 dpkg-dev make
HARDENING=$(cmake -P cmake/windows-hardening.cmake)
[ -f "$PREFIX/lib/libnspr4_s.a" ] && [ -f "$PREFIX/lib/nspr4.dll" ] &&
    [ -f "$PREFIX/DEBIAN-SOURCE-VERSION" ] &&
    [ "$(cat "$PREFIX/HARDENING" 2>/dev/null)" = "$HARDENING" ] && exit 0

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

# Debian's source packages come from the same archive as its binaries: a
# deb-src twin of each "Types: deb" entry, same URIs, suites and key.
if ! apt-get source --print-uris nspr >/dev/null 2>&1; then
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && grep -q '^Types: deb$' "$f" || continue
        sed 's/^Types: deb$/Types: deb-src/' "$f" |
            $SUDO tee "/etc/apt/sources.list.d/tralvinex-src-$(basename "$f")" >/dev/null
    done
    if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            $SUDO tee /etc/apt/sources.list.d/tralvinex-src.list >/dev/null
    fi
    $SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
fi

rm -rf "$SRC"
mkdir -p "$SRC"
(cd "$SRC" && apt-get source -q nspr >/dev/null)
top=$(find "$SRC" -maxdepth 3 -name configure -path '*/nspr/configure' | head -1)
[ -n "$top" ] || { echo "NSPR source not found under $SRC" >&2; exit 1; }

mkdir -p "$SRC/obj"
cd "$SRC/obj"
# NSPR's own DLLs (for -DTRALVINEX_STATIC_NSPR=OFF, not shipped) need the
# stack protector's runtime too: GCC's libssp, linked in rather than as a
# DLL, and not exported, or NSPR's other DLLs would get it twice. The .exe
# carries a runtime of its own (src/platform/platform.cpp).
CFLAGS=$HARDENING LDFLAGS="$HARDENING -static -Wl,--exclude-libs,libssp.a" \
    "$top" --target=x86_64-w64-mingw32 --enable-win32-target=WIN95 --enable-64bit \
    --prefix="$PREFIX" --disable-debug --enable-optimize >/dev/null
# NSPR's own warnings are shown only when its build fails.
make -j "$(nproc)" >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
make install >/dev/null
sed -n 's/^Version: //p' "$SRC"/nspr_*.dsc >"$PREFIX/DEBIAN-SOURCE-VERSION"
echo "$HARDENING" >"$PREFIX/HARDENING"
ls "$PREFIX/lib"
