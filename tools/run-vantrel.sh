#!/usr/bin/env bash
# Starts the program under Wine in the build's prefix. Until the tray program
# exists this runs the command-line tool and shows its usage.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build/windows}
"$here/tools/wine-run.sh" "$build/bin/vantrelctl.exe"
echo "(vantrelctl exited with $?; try: tools/wine-run.sh $build/bin/vantrelctl.exe check 每天8时0分 --at \"2026-01-01 08:00\")"
