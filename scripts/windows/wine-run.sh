#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in the tests' own prefix.
# WINEPREFIX may be set by the caller; the default is under the temp folder.
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/tralvinex-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
exec wine "$@"
