#!/usr/bin/env bash
# Runs ctest in each build folder given, then sums what the GoogleTest
# programs report into one closing line: "N passed, N failed".
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

fuzz_seconds=""
dirs=()
while [ $# -gt 0 ]; do
    case "$1" in
        --fuzz) fuzz_seconds=$2; shift 2 ;;
        *) dirs+=("$1"); shift ;;
    esac
done

for dir in "${dirs[@]}"; do
    results="$dir/test-results"
    rm -f "$results"/*.xml
    # The end-to-end suite starts from a fresh Wine prefix every run.
    rm -rf "$dir/e2e-prefix"
    echo "== tests in $dir"
    if [ "$dir" = "build/windows" ] || [ -f "$dir/wine-tests" ]; then
        with_display ctest --test-dir "$dir" --output-on-failure
    else
        ctest --test-dir "$dir" --output-on-failure
    fi
    rc=$?
    suite_failures=0
    for xml in "$results"/*.xml; do
        [ -f "$xml" ] || continue
        t=$(attr tests "$xml"); f=$(attr failures "$xml"); e=$(attr errors "$xml")
        d=$(attr disabled "$xml"); s=$(attr skipped "$xml")
        passed=$((passed + ${t:-0} - ${f:-0} - ${e:-0} - ${d:-0} - ${s:-0}))
        suite_failures=$((suite_failures + ${f:-0} + ${e:-0}))
    done
    # A program that crashed or quit early wrote no report: a failure even
    # when its exit status said otherwise.
    for name in $(ctest --test-dir "$dir" -N | sed -n 's/^ *Test *#[0-9]*: *//p'); do
        if [ ! -f "$results/$name.xml" ]; then
            echo "run-tests: $name wrote no report" >&2
            suite_failures=$((suite_failures + 1))
            rc=1
        fi
    done
    if [ $rc -ne 0 ] && [ $suite_failures -eq 0 ]; then suite_failures=1; fi
    failed=$((failed + suite_failures))
    [ $rc -ne 0 ] && status=1
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

echo
echo "$passed passed, $failed failed"
exit $status
