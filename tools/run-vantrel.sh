#!/usr/bin/env bash
# Starts Vantrel.exe under Wine in the build's prefix, inside a Wine virtual
# desktop whose taskbar shows the tray icon. Without a display it starts a
# virtual one (Xvfb :77) and says so; `make screenshot` photographs it.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build/windows}
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:77
    if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
        Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
        sleep 1
        echo "run-vantrel: no display was set; started a virtual one on $DISPLAY"
        echo "run-vantrel: 'make screenshot' saves a picture of it to build/screenshot.png"
    fi
fi
echo "run-vantrel: starting Vantrel (quit from its tray menu, 退出(&X))"
exec "$here/tools/wine-run.sh" explorer /desktop=Vantrel,1024x768 "$here/$build/bin/Vantrel.exe"
