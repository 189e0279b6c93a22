# shellcheck shell=bash
# A fresh 64-bit Wine prefix for running the mingw64 build; sourced by the Wine scripts.
#
#   prefix_create DIR    makes DIR a new prefix and keeps its wineserver running
#   wine_run ARGS...     runs a program of the prefix (wine_run reg query ...)
#   prefix_destroy       stops the prefix's wineserver and removes the prefix
#
# No window ever needs a display: the graphics driver is "null", under which windows and
# message boxes exist but nothing is drawn. Mono and Gecko are switched off, so nothing asks
# to install them. WINE_LOADER and WINE_SERVER override where Wine lives.

wine_loader=${WINE_LOADER:-/usr/lib/wine/wine64}
wine_server=${WINE_SERVER:-/usr/lib/wine/wineserver}

wine_run() {
    "$wine_loader" "$@"
}

prefix_create() {
    export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The same ANSI code page (1252) whatever the machine's locale is.
    export LANG=en_US.UTF-8 LC_ALL=
    unset DISPLAY WAYLAND_DISPLAY
    # A persistent server: every later program starts in about 50 ms instead of starting one.
    "$wine_server" -p || return 1
    wine_run wineboot -i >"$WINEPREFIX/wineboot.log" 2>&1 || {
        cat "$WINEPREFIX/wineboot.log" >&2
        return 1
    }
    wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
}

prefix_destroy() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    "$wine_server" -k 2>/dev/null
    # The server leaves the prefix once its clients are gone.
    "$wine_server" -w 2>/dev/null
    rm -rf "$WINEPREFIX"
    unset WINEPREFIX
}
