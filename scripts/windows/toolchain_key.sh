#!/usr/bin/env bash
# Prints what a library cross-built for the .exe depends on besides its own
# source: the package and version of the mingw-w64 gcc of the system's
# choice (Debian's alternatives; configure scripts take it, whichever
# thread model it is), of binutils and of the runtime, then the flags given.
# The build scripts keep it in their BUILD-KEY, to build again when it changes.
#
# usage: scripts/windows/toolchain_key.sh FLAGS
set -euo pipefail

cc_package=$(dpkg -S "$(readlink -f "$(command -v x86_64-w64-mingw32-gcc)")" | cut -d: -f1)
echo "$(dpkg-query -W -f='${Package} ${Version}; ' "$cc_package" \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)flags $1"
