#!/usr/bin/env bash
# Builds a release of this checkout, for Linux and Windows (the
# "release-linux" and "release-windows" presets), into dist/:
#
#   tralvinex-lookup-VERSION-linux-x86_64.tar.gz   binary, man page, README,
#                                                  CHANGES.md, THIRD-PARTY-NOTICES
#   tralvinex-lookup-VERSION-win64.zip             .exe, man page as text,
#                                                  README-Windows.txt, CHANGES.txt,
#                                                  examples\, THIRD-PARTY-NOTICES.txt
#   SHA256SUMS                                     over both
#
# Two runs on the same clean commit give the same bytes, from any folder at
# any time: SOURCE_DATE_EPOCH is the commit's time, the builds map their paths
# away, and the archives hold their entries in a fixed order with fixed
# times, owners and modes. The stripped programs' debug information stays in
# build-release/*/ beside them.
#
# usage: scripts/release.sh
#   NSPR_WIN_PREFIX: a Windows NSPR built elsewhere (scripts/windows/build_nspr.sh)
set -euo pipefail

cd "$(dirname "$0")/.."
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

scripts/install_packages.sh groff-base bsdextrautils zip
scripts/windows/build_nspr.sh
scripts/setup.sh release-linux
scripts/setup.sh release-windows ${NSPR_WIN_PREFIX:+-DNSPR_WIN_PREFIX="$NSPR_WIN_PREFIX"}

LINUX=build-release/linux
WINDOWS=build-release/windows
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$LINUX/CMakeCache.txt")
NAME=tralvinex-lookup-$VERSION
NSPR_WIN=$(sed -n 's/^NSPR_WIN_PREFIX:PATH=//p' "$WINDOWS/CMakeCache.txt")

STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT

# The notices, with the NSPR each program was built from.
sed -e "s/@VERSION@/$VERSION/" \
    -e "s/@NSPR_LINUX_VERSION@/$(dpkg-query -W -f='${Version}' libnspr4-dev)/" \
    -e "s/@NSPR_LINUX_SOURCE@/$(dpkg-query -W -f='${source:Version}' libnspr4-dev)/" \
    -e "s/@NSPR_WINDOWS_SOURCE@/$(cat "$NSPR_WIN/DEBIAN-SOURCE-VERSION")/" \
    docs/THIRD-PARTY-NOTICES.in >"$STAGE/THIRD-PARTY-NOTICES"
cat /usr/share/common-licenses/MPL-2.0 >>"$STAGE/THIRD-PARTY-NOTICES"

L=$STAGE/$NAME-linux-x86_64
mkdir -m 755 "$L"
install -m 755 "$LINUX/tralvinex-lookup" "$L/"
install -m 644 "$LINUX/tralvinex-lookup.1" README.md CHANGES.md "$STAGE/THIRD-PARTY-NOTICES" "$L/"

# The zip's text files end their lines in CR LF, as Windows' own do, and
# carry the extension Windows opens them by. The manual is its Windows form
# (the register W).
W=$STAGE/$NAME-win64
mkdir -m 755 "$W" "$W/examples"
install -m 755 "$WINDOWS/tralvinex-lookup.exe" "$W/"
crlf() { sed 's/$/\r/' >"$1" && chmod 644 "$1"; }
sed "s/@VERSION@/$VERSION/g" docs/README-Windows.txt.in | crlf "$W/README-Windows.txt"
crlf "$W/THIRD-PARTY-NOTICES.txt" <"$STAGE/THIRD-PARTY-NOTICES"
crlf "$W/CHANGES.txt" <CHANGES.md
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
    "$NAME-win64/examples/lookup-caller.c" "$NAME-win64/THIRD-PARTY-NOTICES.txt")
(cd dist && sha256sum "$NAME-linux-x86_64.tar.gz" "$NAME-win64.zip" >SHA256SUMS)
cat dist/SHA256SUMS
