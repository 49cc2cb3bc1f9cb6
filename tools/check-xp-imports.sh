#!/usr/bin/env bash
# Fails when a shipped Windows program could not start on Windows XP SP3:
# an imported function that XP lacks (the loader refuses the whole program
# before any of its code runs), or a PE header that asks for a Windows newer
# than XP (operating-system or subsystem version above 5.1).
#
# Which functions XP has is read from the MinGW-w64 headers themselves: every
# imported name is taken by address in a C file compiled once for XP
# (_WIN32_WINNT 0x0501) and once for Windows 10 (0x0A00). A name that only
# the second declares is newer than XP. Names that neither declares (the C
# runtime's start-up entries) are not judged.
#
#   check-xp-imports.sh [--xml REPORT] PROGRAM.exe...
set -euo pipefail

xml=""
if [ "${1:-}" = "--xml" ]; then xml=$2; shift 2; fi
[ $# -gt 0 ] || { echo "usage: $0 [--xml REPORT] PROGRAM.exe..." >&2; exit 2; }

cc=${CC_MINGW:-i686-w64-mingw32-gcc}
objdump=${OBJDUMP_MINGW:-i686-w64-mingw32-objdump}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Names a file imports by name, one "DLL!Function" a line.
imports_of() {
    "$objdump" -p "$1" | awk '
        /^[[:space:]]*DLL Name:/ { dll = $3; next }
        /^[[:space:]]*$/ { dll = "" }
        dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_?@$][^[:space:]]*$/ {
            print dll "!" $3 }'
}

header_value() { "$objdump" -p "$1" | awk -v k="$2" '$1 == k && v == "" { v = $2 } END { print v }'; }

# The names, of those given, that the headers do not declare for one Windows
# version. GetTickCount (XP has it) and GetTickCount64 (XP lacks it) are
# always asked too, so that a broken compile cannot pass every name.
undeclared_for() {
    local winnt=$1 names=$2 src="$work/probe_$1.c"
    {
        echo '#include <windows.h>'
        for h in commctrl.h commdlg.h shellapi.h shlobj.h tlhelp32.h mmsystem.h wininet.h ras.h \
                 psapi.h powrprof.h winternl.h stdio.h stdlib.h string.h io.h sys/stat.h wchar.h \
                 time.h process.h signal.h setjmp.h locale.h wctype.h ctype.h math.h errno.h \
                 fcntl.h direct.h malloc.h conio.h objbase.h shlwapi.h userenv.h; do
            echo "#include <$h>"
        done
        local i=0
        while read -r name; do
            [ -n "$name" ] || continue
            echo "void *probe_$i = (void *)&$name;"
            i=$((i + 1))
        done <<<"$names"
    } >"$src"
    # Every name not declared is an error: the compile fails by design.
    LC_ALL=C "$cc" -fsyntax-only -fmax-errors=0 -w -D_WIN32_WINNT="$winnt" -DWINVER="$winnt" \
        -DNTDDI_VERSION="${winnt}0000" -D_WIN32_IE=0x0600 -x c "$src" 2>&1 |
        sed -n "s/.*error: '\([A-Za-z0-9_]*\)' undeclared.*/\1/p" | sort -u || true
}

programs=0 failures=0 cases=""
for exe in "$@"; do
    programs=$((programs + 1))
    problems=()
    if [ ! -f "$exe" ]; then
        problems+=("missing file")
    else
        for k in MajorOSystemVersion:MinorOSystemVersion MajorSubsystemVersion:MinorSubsystemVersion; do
            major=$(header_value "$exe" "${k%%:*}") minor=$(header_value "$exe" "${k##*:}")
            if [ "${major:-0}" -gt 5 ] || { [ "${major:-0}" -eq 5 ] && [ "${minor:-0}" -gt 1 ]; }; then
                problems+=("${k%%:*} asks for Windows $major.$minor")
            fi
        done
        imports=$(imports_of "$exe")
        names=$( (printf 'GetTickCount\nGetTickCount64\n'; echo "$imports" | sed 's/^[^!]*!//') | sort -u)
        old=$(undeclared_for 0x0501 "$names")
        new=$(undeclared_for 0x0A00 "$names")
        if ! grep -qx GetTickCount64 <<<"$old" || grep -qx GetTickCount <<<"$old" ||
            grep -qx GetTickCount64 <<<"$new"; then
            problems+=("the header probe itself failed (see $0)")
        fi
        while IFS= read -r line; do
            [ -n "$line" ] || continue
            name=${line#*!}
            if grep -qx "$name" <<<"$old" && ! grep -qx "$name" <<<"$new"; then
                problems+=("imports $line, which Windows XP lacks")
            fi
        done <<<"$imports"
    fi
    name=$(basename "$exe")
    if [ ${#problems[@]} -eq 0 ]; then
        echo "xp-imports: $name loads on Windows XP ($(wc -l <<<"$imports") imports)"
        cases+="<testcase name=\"$name\"/>"
    else
        failures=$((failures + 1))
        for p in "${problems[@]}"; do echo "xp-imports: $name: $p" >&2; done
        cases+="<testcase name=\"$name\"><failure message=\"${problems[0]//\"/&quot;}\"/></testcase>"
    fi
done

if [ -n "$xml" ]; then
    printf '<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" errors="0" disabled="0" skipped="0">\n<testsuite name="XpImports" tests="%d" failures="%d">%s</testsuite>\n</testsuites>\n' \
        "$programs" "$failures" "$programs" "$failures" "$cases" >"$xml"
fi
[ $failures -eq 0 ]
