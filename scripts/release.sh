#!/usr/bin/env bash
# Builds a release of this checkout's last commit, for Linux and Windows
# (the "release-linux" and "release-windows" presets), into dist/:
#
#   tralvinex-lookup-VERSION-linux-x86_64.tar.gz   binary, man page, README,
#                                                  CHANGES.md, THIRD-PARTY-NOTICES
#   tralvinex-lookup-VERSION-win64.zip             .exe, man page as text,
#                                                  README-Windows.txt, CHANGES.txt,
#                                                  examples\, THIRD-PARTY-NOTICES.txt
#   tralvinex-lookup-VERSION-src.tar.gz            the commit's source tree
#   tralvinex-lookup-VERSION-debug.tar.gz          both programs' debug files
#   BUILDINFO.txt                                  the commit and the Debian
#                                                  package versions it was built with
#   SHA256SUMS                                     over all of these
#
# Two runs on the same commit give the same bytes, from any folder at any
# time: SOURCE_DATE_EPOCH is the commit's time, the builds map their paths
# away, and the archives hold their entries in a fixed order with fixed
# times, owners and modes. A tree with uncommitted or untracked changes is
# refused: its release would carry the commit's name but not its code.
#
# usage: scripts/release.sh
#   NSPR_WIN_PREFIX: a Windows NSPR built elsewhere (scripts/windows/build_nspr.sh)
#   IDN2_WIN_PREFIX: a Windows libidn2 built elsewhere (scripts/windows/build_idn2.sh)
#   TRALVINEX_ALLOW_DIRTY=1: build such a tree all the same; BUILDINFO.txt and
#     the .exe's version resource (PrivateBuild) say so
#   TRALVINEX_SIGN_CERT, TRALVINEX_SIGN_KEY: a code signing certificate and
#     its private key (PEM files, never in the repository): the .exe is then
#     signed (Authenticode, osslsigncode) at the commit's time before it is
#     zipped, so that the same key gives the same bytes
set -euo pipefail

cd "$(dirname "$0")/.."
COMMIT=$(git rev-parse HEAD)
DIRTY=$(git status --porcelain --untracked-files=normal)
PRIVATE=
if [ -n "$DIRTY" ]; then
    if [ "${TRALVINEX_ALLOW_DIRTY:-}" != 1 ]; then
        echo "error: the tree has uncommitted or untracked changes (TRALVINEX_ALLOW_DIRTY=1 builds it anyway):" >&2
        echo "$DIRTY" >&2
        exit 1
    fi
    PRIVATE="built from $COMMIT with uncommitted changes"
fi
SIGN=
if [ -n "${TRALVINEX_SIGN_CERT:-}${TRALVINEX_SIGN_KEY:-}" ]; then
    [ -r "${TRALVINEX_SIGN_CERT:-}" ] && [ -r "${TRALVINEX_SIGN_KEY:-}" ] ||
        { echo "error: TRALVINEX_SIGN_CERT and TRALVINEX_SIGN_KEY must both name readable files" >&2; exit 1; }
    SIGN=osslsigncode
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

scripts/install_packages.sh groff-base bsdextrautils zip $SIGN
scripts/windows/build_nspr.sh
scripts/windows/build_idn2.sh
scripts/setup.sh release-linux
scripts/setup.sh release-windows -DTRALVINEX_PRIVATE_BUILD="$PRIVATE" \
    ${NSPR_WIN_PREFIX:+-DNSPR_WIN_PREFIX="$NSPR_WIN_PREFIX"} \
    ${IDN2_WIN_PREFIX:+-DIDN2_WIN_PREFIX="$IDN2_WIN_PREFIX"}

LINUX=build-release/linux
WINDOWS=build-release/windows
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$LINUX/CMakeCache.txt")
NAME=tralvinex-lookup-$VERSION
NSPR_WIN=$(sed -n 's/^NSPR_WIN_PREFIX:PATH=//p' "$WINDOWS/CMakeCache.txt")
IDN2_WIN=$(sed -n 's/^IDN2_WIN_PREFIX:PATH=//p' "$WINDOWS/CMakeCache.txt")

STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT

# The notices, with the NSPR each program was built from.
sed -e "s/@VERSION@/$VERSION/" \
    -e "s/@NSPR_LINUX_VERSION@/$(dpkg-query -W -f='${Version}' libnspr4-dev)/" \
    -e "s/@NSPR_LINUX_SOURCE@/$(dpkg-query -W -f='${source:Version}' libnspr4-dev)/" \
    -e "s/@NSPR_WINDOWS_SOURCE@/$(cat "$NSPR_WIN/DEBIAN-SOURCE-VERSION")/" \
    -e "s/@IDN2_LINUX_VERSION@/$(dpkg-query -W -f='${Version}' libidn2-dev)/" \
    -e "s/@IDN2_LINUX_SOURCE@/$(dpkg-query -W -f='${source:Version}' libidn2-dev)/" \
    -e "s/@UNISTRING_LINUX_VERSION@/$(dpkg-query -W -f='${Version}' libunistring-dev)/" \
    -e "s/@UNISTRING_LINUX_SOURCE@/$(dpkg-query -W -f='${source:Version}' libunistring-dev)/" \
    -e "s/@IDN2_WINDOWS_SOURCE@/$(cat "$IDN2_WIN/DEBIAN-SOURCE-VERSION")/" \
    docs/THIRD-PARTY-NOTICES.in >"$STAGE/THIRD-PARTY-NOTICES"
# licence_text TITLE FILE: a licence's full text under its title.
licence_text() { printf '\n\n%s\n%s\n\n' "$1" "$(printf '%s' "$1" | tr -c '\n' =)"; cat "$2"; }
{
    cat /usr/share/common-licenses/MPL-2.0
    licence_text "GNU Lesser General Public License, version 3" /usr/share/common-licenses/LGPL-3
    licence_text "GNU General Public License, version 3" /usr/share/common-licenses/GPL-3
} >>"$STAGE/THIRD-PARTY-NOTICES"

L=$STAGE/$NAME-linux-x86_64
mkdir -m 755 "$L"
install -m 755 "$LINUX/tralvinex-lookup" "$L/"
install -m 644 "$LINUX/tralvinex-lookup.1" CHANGES.md LICENSE "$STAGE/THIRD-PARTY-NOTICES" "$L/"
sed "s/@VERSION@/$VERSION/g" docs/README-Linux.md.in >"$L/README.md"

# The zip's text files end their lines in CR LF, as Windows' own do, and
# carry the extension Windows opens them by. The manual is its Windows form
# (the register W).
W=$STAGE/$NAME-win64
mkdir -m 755 "$W" "$W/examples"
if [ -n "$SIGN" ]; then
    # (osslsigncode writes only a new file, and says what failed on stdout)
    osslsigncode sign -certs "$TRALVINEX_SIGN_CERT" -key "$TRALVINEX_SIGN_KEY" \
        -n tralvinex-lookup -h sha256 -time "$SOURCE_DATE_EPOCH" \
        -in "$WINDOWS/tralvinex-lookup.exe" -out "$W/tralvinex-lookup.exe" >"$STAGE/sign.log" ||
        { cat "$STAGE/sign.log" >&2; exit 1; }
    chmod 755 "$W/tralvinex-lookup.exe"
else
    install -m 755 "$WINDOWS/tralvinex-lookup.exe" "$W/"
fi
crlf() { sed 's/$/\r/' >"$1" && chmod 644 "$1"; }
sed "s/@VERSION@/$VERSION/g" docs/README-Windows.txt.in | crlf "$W/README-Windows.txt"
crlf "$W/THIRD-PARTY-NOTICES.txt" <"$STAGE/THIRD-PARTY-NOTICES"
crlf "$W/CHANGES.txt" <CHANGES.md
crlf "$W/LICENSE.txt" <LICENSE
groff -man -Tascii -P-c -rW1 "$WINDOWS/tralvinex-lookup.1" | col -bx |
    crlf "$W/tralvinex-lookup.1.txt"
for f in lookup.bat lookup-caller.c; do crlf "$W/examples/$f" <"docs/examples/$f"; done

rm -rf dist
mkdir dist
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    --format=gnu -C "$STAGE" -cf - "$NAME-linux-x86_64" | gzip -9n >"dist/$NAME-linux-x86_64.tar.gz"
# zip stores local times: with TZ=UTC they are the commit's. -X leaves out
# owners and extra times, -D directory entries.
find "$W" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$STAGE" && zip -q -X -D -9 "$OLDPWD/dist/$NAME-win64.zip" \
    "$NAME-win64/tralvinex-lookup.exe" "$NAME-win64/tralvinex-lookup.1.txt" \
    "$NAME-win64/README-Windows.txt" "$NAME-win64/CHANGES.txt" "$NAME-win64/examples/lookup.bat" \
    "$NAME-win64/examples/lookup-caller.c" "$NAME-win64/LICENSE.txt" \
    "$NAME-win64/THIRD-PARTY-NOTICES.txt")
# The commit's tree, as git stores it (git archive dates every entry by the
# commit), and the debug files under the names the programs' debug links
# give them.
git archive --format=tar --prefix="$NAME/" "$COMMIT" | gzip -9n >"dist/$NAME-src.tar.gz"
D=$STAGE/$NAME-debug
mkdir -m 755 "$D"
install -m 644 "$LINUX/tralvinex-lookup.debug" "$WINDOWS/tralvinex-lookup.exe.debug" "$D/"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    --format=gnu -C "$STAGE" -cf - "$NAME-debug" | gzip -9n >"dist/$NAME-debug.tar.gz"

# What built it: the package of each compiler that ran (NSPR's configure
# takes the system's x86_64-w64-mingw32-gcc), and the rest of the
# toolchain, as Debian names and numbers them.
compiler_package() { dpkg -S "$(readlink -f "$(command -v "$1")")" | cut -d: -f1; }
{
    echo "tralvinex-lookup $VERSION"
    echo "commit $COMMIT${PRIVATE:+ (with uncommitted changes)}"
    echo "SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH"
    echo "NSPR for Windows: Debian source package nspr $(cat "$NSPR_WIN/DEBIAN-SOURCE-VERSION")"
    echo "libidn2 for Windows: Debian source package libidn2 $(cat "$IDN2_WIN/DEBIAN-SOURCE-VERSION")"
    echo "Debian packages:"
    dpkg-query -W -f='  ${Package} ${Version}\n' "$(compiler_package g++)" "$(compiler_package gcc)" \
        binutils "$(compiler_package x86_64-w64-mingw32-g++-posix)" \
        "$(compiler_package x86_64-w64-mingw32-gcc-posix)" \
        "$(compiler_package x86_64-w64-mingw32-gcc)" binutils-mingw-w64-x86-64 \
        mingw-w64-x86-64-dev libnspr4-dev libidn2-dev libunistring-dev cmake groff-base zip tar gzip $SIGN
} >dist/BUILDINFO.txt
(cd dist && sha256sum "$NAME-linux-x86_64.tar.gz" "$NAME-win64.zip" "$NAME-src.tar.gz" \
    "$NAME-debug.tar.gz" BUILDINFO.txt >SHA256SUMS)
cat dist/SHA256SUMS
