#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, with the
# Simplified Chinese locale (ANSI code page 936, short date format yyyy/M/d).
# The prefix is created once per build folder and never touches ~/.wine.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/windows/wineprefix}
export WINEARCH=win32
export WINEDEBUG=-all
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# No Mono or Gecko installer prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "wine-run: creating the Wine prefix $WINEPREFIX" >&2
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
# Start the Wine server and its services apart from the caller's output:
# started by the program itself, they would inherit its stdout and keep a
# reader such as "| grep" waiting after the program ended.
read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX")
server=$(printf 'server-%x-%x' "$dev" "$ino")
if ! compgen -G "/tmp/.wine-$(id -u)/$server/socket" >/dev/null &&
   ! compgen -G "/tmp/wine-*/$server/socket" >/dev/null; then
    wineserver -p 5 </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
