#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing (through sudo
# when not root), waiting for another apt run to finish first.
#
# usage: scripts/install_packages.sh PACKAGE...
set -euo pipefail

missing=()
for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "installing: ${missing[*]}"
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o DPkg::Lock::Timeout=600 -y -q \
    --no-install-recommends "${missing[@]}"
