#!/usr/bin/env bash
# Runs ctest in each build folder given, then sums what the GoogleTest
# programs report into one closing line: "N passed, N failed".
#
# Tests labelled "long" (the end-to-end cases that wait out a ten-minute
# limit) start first, in the background, and are collected at the end, so
# their waiting overlaps the other suites instead of adding to them.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

passed=0
failed=0
status=0

# Wine programs with windows need a display; give them a virtual one.
with_display() {
    if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; fi
}

attr() { sed -n "s/.*<testsuites[^>]* $1=\"\([0-9]*\)\".*/\1/p" "$2" | head -n 1; }

is_wine_dir() { [ "$1" = "build/windows" ] || [ -f "$1/wine-tests" ]; }

# Test names of a build folder; extra arguments select by label (-L / -LE).
test_names() { ctest --test-dir "$1" -N "${@:2}" | sed -n 's/^ *Test *#[0-9]*: *//p'; }

# Adds what the named tests of a folder reported to the totals. $1 folder,
# $2 ctest's exit status, the rest the test names. A program that crashed or
# quit early wrote no report: a failure even when its exit status said
# otherwise.
count_reports() {
    local dir=$1 rc=$2 suite_failures=0 name xml t f e d s
    shift 2
    for name in "$@"; do
        xml="$dir/test-results/$name.xml"
        if [ ! -f "$xml" ]; then
            echo "run-tests: $name wrote no report" >&2
            suite_failures=$((suite_failures + 1))
            rc=1
            continue
        fi
        t=$(attr tests "$xml"); f=$(attr failures "$xml"); e=$(attr errors "$xml")
        d=$(attr disabled "$xml"); s=$(attr skipped "$xml")
        passed=$((passed + ${t:-0} - ${f:-0} - ${e:-0} - ${d:-0} - ${s:-0}))
        suite_failures=$((suite_failures + ${f:-0} + ${e:-0}))
    done
    if [ "$rc" -ne 0 ] && [ $suite_failures -eq 0 ]; then suite_failures=1; fi
    failed=$((failed + suite_failures))
    [ "$rc" -ne 0 ] && status=1
}

fuzz_seconds=""
dirs=()
while [ $# -gt 0 ]; do
    case "$1" in
        --fuzz) fuzz_seconds=$2; shift 2 ;;
        *) dirs+=("$1"); shift ;;
    esac
done

# Ends the Wine server of every prefix under the build folders, also when a
# test failed or the run was interrupted: a server and its services outlive
# the programs they ran, and would stay behind after the run.
end_wine_servers() {
    local dir reg
    for dir in "${dirs[@]}"; do
        [ -d "$dir" ] || continue
        while IFS= read -r reg; do
            WINEPREFIX=$(cd "$(dirname "$reg")" && pwd) wineserver -k 2>/dev/null || true
        done < <(find "$dir" -maxdepth 3 -name system.reg 2>/dev/null)
    done
}
trap end_wine_servers EXIT
trap 'exit 130' INT TERM

# Every end-to-end suite starts from a fresh Wine prefix. A server still
# running from an earlier run ends first: its prefix deleted under it, it
# could no longer be reached.
end_wine_servers
for dir in "${dirs[@]}"; do
    rm -f "$dir/test-results"/*.xml
    rm -rf "$dir/e2e-prefix" "$dir/e2e-long-prefix" "$dir"/e2e-win*-prefix "$dir/e2e-en-prefix" \
        "$dir"/install-prefix-*
done

long_pids=() long_dirs=()
for dir in "${dirs[@]}"; do
    [ -n "$(test_names "$dir" -L long)" ] || continue
    echo "== long tests in $dir start in the background"
    if is_wine_dir "$dir"; then
        with_display ctest --test-dir "$dir" -L long --output-on-failure >"$dir/test-results/long.log" 2>&1 &
    else
        ctest --test-dir "$dir" -L long --output-on-failure >"$dir/test-results/long.log" 2>&1 &
    fi
    long_pids+=($!)
    long_dirs+=("$dir")
done

for dir in "${dirs[@]}"; do
    echo "== tests in $dir"
    if is_wine_dir "$dir"; then
        with_display ctest --test-dir "$dir" -LE long --output-on-failure
    else
        ctest --test-dir "$dir" -LE long --output-on-failure
    fi
    rc=$?
    # shellcheck disable=SC2046
    count_reports "$dir" $rc $(test_names "$dir" -LE long)
done

# Each fuzz target counts as one test: it passes when it ran its time
# without a crash, a hang or a sanitizer report.
if [ -n "$fuzz_seconds" ]; then
    echo "== fuzzing, ${fuzz_seconds}s a target"
    fuzz_out=$(bash tools/fuzz.sh "$fuzz_seconds" 2>&1) || status=1
    echo "$fuzz_out"
    line=$(echo "$fuzz_out" | sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' | tail -n 1)
    if [ -n "$line" ]; then
        read -r fp ff <<<"$line"
        passed=$((passed + fp))
        failed=$((failed + ff))
    else
        failed=$((failed + 1))
    fi
fi

for i in "${!long_pids[@]}"; do
    dir=${long_dirs[$i]}
    echo "== long tests in $dir (waiting for them)"
    wait "${long_pids[$i]}"
    rc=$?
    cat "$dir/test-results/long.log"
    # shellcheck disable=SC2046
    count_reports "$dir" $rc $(test_names "$dir" -L long)
done

echo
echo "$passed passed, $failed failed"
exit $status
