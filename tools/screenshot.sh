#!/usr/bin/env bash
# Saves a PNG of the display Vantrel runs on (the virtual one of make run by default).
set -euo pipefail
out=${1:-build/screenshot.png}
export DISPLAY=${DISPLAY:-:77}
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "screenshot: $out"
