#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in the tests' own prefix.
# WINEPREFIX may be set by the caller; the default is under the temp folder.
# Arguments are read as UTF-8, so that the bytes a test passes reach the
# program as the text they spell; TRALVINEX_WINE_LOCALE names another UTF-8
# locale, whose code page Windows programs then get (ja_JP.UTF-8: 932).
# WINEDLLOVERRIDES given by the caller are kept, after the ones every run
# needs.
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/tralvinex-wine}
export WINEDEBUG=-all LC_ALL=${TRALVINEX_WINE_LOCALE:-C.UTF-8}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset DISPLAY
exec wine "$@"
