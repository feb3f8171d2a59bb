#!/usr/bin/env bash
# Runs a command with Wine ready for the Windows tests: a fresh headless
# prefix, one wineserver for the whole command (a run then takes a fraction
# of a second), all inside a private network namespace so that no lookup
# leaves the machine. Fails when no such namespace can be made.
#
# usage: scripts/windows/sandbox.sh COMMAND [ARGS...]
set -euo pipefail

if ! unshare -n true 2>/dev/null; then
    echo "error: the Windows tests need a private network namespace (unshare -n, as root)" >&2
    exit 1
fi
WINE_HOME=$(mktemp -d)
export WINEPREFIX=$WINE_HOME/wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
exec unshare -n bash -euo pipefail -c '
    wine_home=$1
    shift
    trap "wineserver -k; rm -rf \"\$wine_home\"" EXIT
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    wineserver -p
    # Start Wine'"'"'s own services now, apart from any pipe the command reads:
    # a service that inherits one keeps CTest waiting for its end.
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    "$@"
' sandbox "$WINE_HOME" "$@"
