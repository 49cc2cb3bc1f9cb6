#!/usr/bin/env bash
# Photographs the settings window, the task editor, the About window and the
# countdown window at 96 DPI into docs/, for the README, as the showcase
# program (tools/showcase/) lays them out; then the settings window and the
# countdown at 144 DPI into docs/dpi144/, in a prefix of that DPI.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${1:-build/windows}

# shoot DOCS_FOLDER [DPI]
shoot() {
    local docs=$1 work
    work=$(mktemp -d)
    (
        export VANTREL_SHOWCASE="Z:$work"
        if [ -n "${2:-}" ]; then
            export VANTREL_WINE_DPI=$2 WINEPREFIX="$here/$build/wineprefix-dpi$2"
        fi
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
            tools/wine-run.sh $build/bin/vantrel_showcase.exe >/dev/null 2>&1 &
            for i in \$(seq 1 100); do [ -s '$work/windows.txt' ] && break; sleep 0.2; done
            sleep 3
            import -window root '$work/screen.png'
            wait
        "
    )
    mkdir -p "$docs"
    while read -r name x y w h; do
        convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$docs/$name.png"
        echo "$docs/$name.png"
    done < "$work/windows.txt"
    rm -rf "$work"
}

shoot docs
shoot docs/dpi144 144
