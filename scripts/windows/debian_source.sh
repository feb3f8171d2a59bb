#!/usr/bin/env bash
# Fetches and unpacks a Debian source package of the given version into
# DEST (which it empties first), from the same archive as the system's
# binaries: a deb-src twin of each of the system's deb entries, in a source
# list and an index of DEST's own, so that the system's apt set-up stays as
# it is. Downloads as the user who runs it, into folders that user owns.
#
# usage: scripts/windows/debian_source.sh PACKAGE VERSION DEST
set -euo pipefail

PACKAGE=$1
VERSION=$2
DEST=$(realpath -m "$3")
rm -rf "$DEST"
mkdir -p "$DEST/apt/parts" "$DEST/apt/lists/partial"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q '^Types: deb$' "$f" && { sed 's/^Types: deb$/Types: deb-src/' "$f"; echo; }
done >"$DEST/apt/parts/debian-src.sources"
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$DEST/apt/parts/debian-src.list"
fi
APT=(-q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$DEST/apt/parts"
    -o APT::Sandbox::User="$(id -un)"
    -o Dir::State::Lists="$DEST/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
apt-get "${APT[@]}" update >/dev/null
(cd "$DEST" && apt-get "${APT[@]}" source "$PACKAGE=$VERSION" >/dev/null)
