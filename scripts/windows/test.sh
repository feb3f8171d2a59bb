#!/usr/bin/env bash
# The Windows build and its tests: cross-builds NSPR (once) and the tool with
# mingw-w64, then runs the unit tests and the end-to-end tests against
# tralvinex-lookup.exe under Wine, in a fresh headless Wine prefix, all
# inside a private network namespace so that no lookup leaves the machine.
# Any failure of the environment (no Wine, no namespace) fails this script.
#
# usage: scripts/windows/test.sh
set -euo pipefail

cd "$(dirname "$0")/../.."
scripts/install_packages.sh g++-mingw-w64-x86-64 wine wine64 cmake make pkg-config googletest util-linux
scripts/windows/build_nspr.sh

BUILD=${WIN_BUILD_DIR:-build-win/project}
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTRALVINEX_WERROR=ON -DTRALVINEX_BUILD_TESTS=ON
cmake --build "$BUILD" -j "$(nproc)"

if ! unshare -n true 2>/dev/null; then
    echo "error: the Windows tests need a private network namespace (unshare -n, as root)" >&2
    exit 1
fi
WINEPREFIX=$(mktemp -d)/wine
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
export BUILD
unshare -n bash -euo pipefail -c '
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    # One server for the whole phase: a run then takes a fraction of a second.
    wineserver -p
    trap "wineserver -k" EXIT
    # Start Wine'"'"'s own services now, apart from any pipe CTest reads: a
    # service that inherits one keeps CTest waiting for its end.
    scripts/windows/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null
    # A build that does not run (a missing DLL, a wrong architecture) may
    # still exit 0: the record is the proof.
    d=$(mktemp -d)
    scripts/windows/wine-run.sh "$BUILD/tralvinex-lookup.exe" 10.1.2.3 80 0 "$d/smoke.dat" "$d"
    [ "$(od -An -tx1 "$d/smoke.dat" | tr -d " \n" | cut -c1-16)" = 020000500a010203 ] ||
        { echo "error: the Windows build does not run under Wine" >&2; exit 1; }
    ctest --test-dir "$BUILD" --output-on-failure
'
