#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, with the
# Simplified Chinese locale (ANSI code page 936, short date format yyyy/M/d).
# The prefix is created once per build folder and never touches ~/.wine.
#
# VANTREL_WINE_LANG names another locale, e.g. en_US.UTF-8 for a Windows whose
# language for non-Unicode programs is English (ANSI code page 1252); give such
# a run a prefix of its own, so the two locales never share a Wine server.
#
# A caller may ask for another kind of prefix when it is first made:
# WINEARCH=win64 for a 64-bit Windows (a 32-bit program then sees its keys
# under Wow6432Node), and VANTREL_WINE_VERSION (winxp, win7, win10) for the
# Windows version the prefix reports.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/windows/wineprefix}
export WINEARCH=${WINEARCH:-win32}
export WINEDEBUG=-all
export LANG=${VANTREL_WINE_LANG:-zh_CN.UTF-8}
export LC_ALL=$LANG
# No Mono or Gecko installer prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
# Every program of the prefix runs inside one Wine virtual desktop: without a
# window manager on the virtual display, Wine otherwise waits about two
# seconds each time a window is hidden, and keyboard focus is unreliable.
# The setting is read when the desktop starts, so the prefix is shut down
# once after writing it.
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.vantrel-desktop" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-run: creating the Wine prefix $WINEPREFIX" >&2
        wineboot -i </dev/null >/dev/null 2>&1 || true
        if [ -n "${VANTREL_WINE_VERSION:-}" ]; then
            wine reg add 'HKCU\Software\Wine' /v Version /d "$VANTREL_WINE_VERSION" /f \
                </dev/null >/dev/null 2>&1
        fi
    fi
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
        </dev/null >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.vantrel-desktop"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
fi
# VANTREL_WINE_DPI (120, 144, 192) sets the screen's DPI, which Wine reads
# from the LogPixels value when its server starts: the server is shut down
# once after writing it. Give each DPI a prefix of its own.
if [ -n "${VANTREL_WINE_DPI:-}" ] && [ ! -f "$WINEPREFIX/.vantrel-dpi-$VANTREL_WINE_DPI" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VANTREL_WINE_DPI" /f \
        </dev/null >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.vantrel-dpi-$VANTREL_WINE_DPI"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
fi
# Start the Wine server and its services apart from the caller's output:
# started by the program itself, they would inherit its stdout and keep a
# reader such as "| grep" waiting after the program ended.
# When a server is already running both calls return at once.
wineserver -p 5 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# The program writes to files, not to the caller's pipes: Wine's server and
# console host keep any handle they were given, and a pipe held open that
# way leaves a reader such as ctest waiting after the program ended.
out=$(mktemp)
err=$(mktemp)
status=0
wine "$@" </dev/null >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $status
