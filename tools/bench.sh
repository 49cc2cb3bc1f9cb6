#!/usr/bin/env bash
# Runs every benchmark and writes BENCHMARKS.md. What can be counted is
# counted and repeats exactly: the tick's registry calls (through a counting
# registry) and instructions (callgrind). What is timed is given as the
# minimum, median and maximum of many runs in this one call, with ratios of
# the medians against a floor timed in turns with it, because times on a
# shared machine, and the Wine server's above all, are noisy.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
native=build/native/bin
win=$here/build/windows/bin
out=BENCHMARKS.md

# Ends the Wine server (and its services) of every prefix under the Windows
# build when the benchmarks end, also when one failed or the run was
# interrupted: tools/wine-run.sh starts them, and they outlive the programs
# they ran.
end_wine_servers() {
    local reg
    while IFS= read -r reg; do
        WINEPREFIX=$(cd "$(dirname "$reg")" && pwd) wineserver -k 2>/dev/null || true
    done < <(find "$here/build/windows" -maxdepth 3 -name system.reg 2>/dev/null)
}
trap end_wine_servers EXIT
trap 'exit 130' INT TERM

collected() {  # instructions callgrind counts for the command "$@"
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

count() {  # instructions of one call of rule $1, path $2 (due or fields)
    local a b
    a=$(collected "$native/vantrel_matching_count" "$1" "$2" 1)
    b=$(collected "$native/vantrel_matching_count" "$1" "$2" 10001)
    echo $(((b - a) / 10000))
}

next_runs() {  # instructions of one pass over 1,000 tasks of rule $1 (all: the eight in turn)
    local a b
    a=$(collected "$native/vantrel_next_run_count" "$1" 1)
    b=$(collected "$native/vantrel_next_run_count" "$1" 11)
    echo $(((b - a) / 10))
}

per_tick() {  # instructions of one tick (or floor pass, $1 = floor) over $2 tasks
    local a b
    a=$(collected "$native/vantrel_tick_count" work "$1" "$2" 1)
    b=$(collected "$native/vantrel_tick_count" work "$1" "$2" 11)
    echo $(((b - a) / 10))
}

# "min q1 median q3 max" of the first column of the lines read, to one
# decimal (the quartiles as the tick bench takes them).
distribution() {
    sort -g | awk '{ v[NR - 1] = $1 } END {
        n = NR; printf "%.1f %.1f %.1f %.1f %.1f\n", v[0], v[int(n / 4)], v[int(n / 2)], v[int(3 * n / 4)], v[n - 1] }'
}
# A table cell "min / median / max" of "min q1 median q3 max".
cell() { echo "$1 / $3 / $5"; }
# Ratio of two medians.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# The spread of "min q1 median q3 max": the quartiles' distance over the
# median, in percent (the middle half of the runs lies within it).
spread() { awk -v q1="$2" -v med="$3" -v q3="$4" 'BEGIN { printf "%.0f %%", 100 * (q3 - q1) / med }'; }

echo "bench: registry calls of the tick (native, and under Wine)" >&2
calls=$("$native/vantrel_tick_count" calls)
calls_wine=$(tools/wine-run.sh "$win/vantrel_tick_count.exe" calls | tr -d '\r')

echo "bench: instructions of the tick (callgrind)" >&2
instructions=""
for n in 10 100 1000; do
    instructions+="$n $(per_tick tick "$n") $(per_tick floor "$n")"$'\n'
done

echo "bench: next runs of 1,000 tasks (callgrind)" >&2
nextruns=""
for r in all MatchIdle MatchOnce MatchDaily MatchWeekly MatchMonthly MatchYearly MatchStartup MatchInterval; do
    nextruns+="$r $(next_runs "$r")"$'\n'
done

echo "bench: matching rules (Google Benchmark, callgrind)" >&2
gbench=$("$native/vantrel_matching_bench" --benchmark_min_time=0.2 2>/dev/null | grep '^Match')

echo "bench: vantrelctl list of 1,000 tasks" >&2
list=$("$native/vantrel_list_bench")

echo "bench: reading a registry file of 20,000 keys" >&2
regfile=$("$native/vantrel_reg_file_bench")

echo "bench: appending to the run history under Wine" >&2
history=$(tools/wine-run.sh "$win/vantrel_history_bench.exe" | tr -d '\r')

echo "bench: the tick under Wine" >&2
tick=$(tools/wine-run.sh "$win/vantrel_tick_bench.exe" | tr -d '\r')

echo "bench: start-up and memory under Wine" >&2
# Start times on a shared machine swing by half; the two programs take turns
# over four rounds of five starts, and each start is one sample.
startup_runs="" floor_runs=""
for round in 1 2 3 4; do
    startup_runs+=$(xvfb-run -a bash -c "tools/wine-run.sh '$win/vantrel_startup_bench.exe' 'Z:$win/Vantrel.exe' TForm1 5 1000" 2>/dev/null | tr -d '\r')$'\n'
    floor_runs+=$(xvfb-run -a bash -c "tools/wine-run.sh '$win/vantrel_startup_bench.exe' 'Z:$win/vantrel_floor.exe' VantrelFloor 5" 2>/dev/null | tr -d '\r')$'\n'
done
startup_runs=$(printf '%s' "$startup_runs" | grep -E '^[0-9.]+ [0-9]+ [0-9]+$')
floor_runs=$(printf '%s' "$floor_runs" | grep -E '^[0-9.]+ [0-9]+ [0-9]+$')
# Start times; private memory, and its growth over 1,000 tick messages, as
# the median of the starts.
vs=$(echo "$startup_runs" | distribution)
fs=$(echo "$floor_runs" | distribution)
vm=$(echo "$startup_runs" | awk '{ print $2 }' | distribution | awk '{ printf "%d", $3 }')
fm=$(echo "$floor_runs" | awk '{ print $2 }' | distribution | awk '{ printf "%d", $3 }')
va=$(echo "$startup_runs" | awk '{ print $3 }' | distribution | awk '{ printf "%d", $3 }')
growth=$(echo "$startup_runs" | awk '{ print $3 - $2 }' | distribution | awk '{ printf "%d", $3 }')
starts=$(echo "$startup_runs" | wc -l)
floor_starts=$(echo "$floor_runs" | wc -l)

echo "bench: what each part of the shipped programs weighs (link maps)" >&2
sizes=$(python3 tools/check_sizes.py --markdown --maps build/windows/link-maps "$win/Vantrel.exe" "$win/vantrelctl.exe")
timer=$(i686-w64-mingw32-objdump -p "$win/Vantrel.exe" | grep -c -E 'timeBeginPeriod|NtSetTimerResolution' || true)

{
    echo "# Benchmarks"
    echo
    echo "Measured $(date -u +%Y-%m-%d) on this project's build machine (2 cores, shared) by"
    echo '`make bench` (`tools/bench.sh`), which writes this file. Counted figures (registry calls,'
    echo "instructions) are exact and repeat to the unit from run to run. Timed figures are the"
    echo "minimum, median and maximum of many runs within this one \`make bench\`; ratios are taken of"
    echo "the medians against a floor timed in turns with them, and the spread beside a ratio is"
    echo "each side's upper quartile less its lower quartile, over its median: the middle half of"
    echo "its runs lies within it. A ratio is only worth the spread beside it."
    echo
    echo "## The tick's registry calls (counted)"
    echo
    echo "One tick over enabled tasks, none due, without and with a stray record value A100000001"
    echo "and a TaskNum of 2147483647 (loaded as start-up loads them), counted through the"
    echo '`Registry` interface by a counting registry (`registry/counting_registry.h`;'
    echo '`build/native/bin/vantrel_tick_count calls`). Value reads are ValueExists, TypeOf,'
    echo "ReadString and ReadInteger; enumerations are ValueCount and ValueNames (with the names"
    echo "the latter listed). Before each tick the program reads the stored task count again; those"
    echo "calls stand apart. The floor is two value reads per task in one opening of the key."
    echo "Goal (exact): the floor's two value reads per task and nothing above them but one opening"
    echo "and one count of the key's values per tick, no writes, the same with the stray record."
    echo "A tick where a task is due (the rows \"one reminder due\", rare: one minute of a task's"
    echo "schedule) reads that task's action and parameter, then its four values again, and runs"
    echo "it only when they read the same: a writer in between never makes it run two versions"
    echo "mixed; those six reads are the whole cost of a due reminder above the floor."
    echo
    echo "| tasks | case | tasks examined | opens | value reads | enumerations (names listed) | writes | task count follow: opens, reads, enumerations | floor: value reads | reads above the floor |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    echo "$calls" | while read -r n v ex to tc tr te tn tw fo fc fr fe fn fw lo lc lr le ln lw; do
        case $v in
            stray) what="stray record, corrupt count" ;;
            due) what="one reminder due" ;;
            *) what="none due" ;;
        esac
        echo "| $n | $what | $ex | $to | $tr | $te ($tn) | $tw | $fo, $fr, $fe | $lr | $((tr - lr)) |"
    done
    echo
    if [ "$calls" = "$calls_wine" ]; then
        echo "The same program built for Windows counts the same calls over the real registry under"
        echo 'Wine (`build/windows/bin/vantrel_tick_count.exe calls`): the tick'"'"'s calls do not depend'
        echo "on the registry beneath it."
    else
        echo "Under Wine over the real registry (\`build/windows/bin/vantrel_tick_count.exe calls\`)"
        echo "the counts differ from the in-memory registry's:"
        echo
        echo '```'
        echo "$calls_wine"
        echo '```'
    fi
    echo
    echo "## The tick's instructions (counted, native)"
    echo
    echo "Instructions of one tick over the in-memory registry, against the floor's two reads per"
    echo 'task through the same registry: `valgrind --tool=callgrind'
    echo 'build/native/bin/vantrel_tick_count work tick|floor TASKS N` for N = 1 and 11, difference'
    echo "divided by 10. What the tick adds around its reads (the record names, the enabled test,"
    echo "the schedule kind and its rule) is the difference. Goal (exact): the work added per task"
    echo "flat across the sizes (the tick linear in its tasks); it is the figure a change to the"
    echo "tick, a run history for one, must leave as it is."
    echo
    echo "| tasks | tick (instructions) | floor (instructions) | tick per task | floor per task | added per task |"
    echo "|---|---|---|---|---|---|"
    echo "$instructions" | while read -r n t f; do
        [ -n "$n" ] || continue
        echo "| $n | $t | $f | $((t / n)) | $((f / n)) | $(((t - f) / n)) |"
    done
    echo
    echo "## The tick against its floor (timed, real registry under Wine)"
    echo
    echo "Enabled tasks, none due. The floor is the registry reads the tick cannot avoid: two bare"
    echo 'RegQueryValueExA calls per task on the same key. Tick and floor take turns over 61 rounds'
    echo '(`build/windows/bin/vantrel_tick_bench.exe`); times in µs as minimum / median / maximum.'
    echo "Goal (timed): a ratio of the medians of at most 1.1, linear; the spread says how far one"
    echo "run's ratio can be trusted, the exact counts above say what the tick does."
    echo
    echo "| tasks | tick (µs) | floor (µs) | ratio | spread: tick, floor |"
    echo "|---|---|---|---|---|"
    echo "$tick" | grep -v '^stray' | while read -r n t0 t1 t2 t3 t4 f0 f1 f2 f3 f4; do
        t="$t0 $t1 $t2 $t3 $t4" f="$f0 $f1 $f2 $f3 $f4"
        echo "| $n | $(cell $t) | $(cell $f) | $(ratio "$t2" "$f2") | $(spread $t), $(spread $f) |"
    done
    echo
    echo "## The tick with a stray record number (timed, real registry under Wine)"
    echo
    echo "The same tasks in a key that also holds a stray value A100000001 and a TaskNum of"
    echo "2147483647, loaded as start-up loads them, against the tick without them, taking turns"
    echo "over 61 rounds in the same run. Goal (timed): a ratio of the medians of 1 within the"
    echo "spread; the exact goal is the call count above, the same with and without them (a scan up"
    echo "to the stray number would read 10^8 values)."
    echo
    echo "| tasks | with the stray value (µs) | without (µs) | ratio | spread: with, without |"
    echo "|---|---|---|---|---|"
    echo "$tick" | awk '$1 == "stray"' | while read -r _ n s0 s1 s2 s3 s4 p0 p1 p2 p3 p4; do
        t="$s0 $s1 $s2 $s3 $s4" f="$p0 $p1 $p2 $p3 $p4"
        echo "| $n | $(cell $t) | $(cell $f) | $(ratio "$s2" "$p2") | $(spread $t), $(spread $f) |"
    done
    echo
    echo "## Matching rules (native)"
    echo
    echo "A call on a typical text, two ways: the answer alone, as the tick asks every enabled task"
    echo "every six seconds (\`IsScheduleDue\`), and with the field texts handed back, as the editor"
    echo "asks when it loads one task (\`MatchSchedule\`). Instructions per call:"
    echo '`valgrind --tool=callgrind build/native/bin/vantrel_matching_count RULE due|fields N` for'
    echo "N = 1 and 10001, difference divided by 10000; times from"
    echo '`build/native/bin/vantrel_matching_bench`. Goal: under 1,000 instructions per call.'
    echo
    echo "| rule | tick: instructions | tick: time | with fields: instructions | with fields: time |"
    echo "|---|---|---|---|---|"
    for r in MatchIdle MatchOnce MatchDaily MatchWeekly MatchMonthly MatchYearly MatchStartup MatchInterval; do
        due=$(echo "$gbench" | awk -v r="$r/due" '$1 == r { print $2 " " $3 }')
        fields=$(echo "$gbench" | awk -v r="$r/fields" '$1 == r { print $2 " " $3 }')
        echo "| $r | $(count "$r" due) | $due | $(count "$r" fields) | $fields |"
    done
    echo
    echo "## vantrelctl list of 1,000 tasks (native)"
    echo
    echo "\`vantrelctl list --file\` on a registry file of 1,000 tasks of every kind with a clock time,"
    echo "among them 每年2月29日, a one-off in 2033 and texts never due (whose next run is"
    echo "looked for over the whole eight-year horizon), against one plain reading of the same 1,000"
    echo "records from the same file bytes (parse, then A, B, C and D of each through the task store)."
    echo 'Best of 20 rounds taken in turns (`build/native/bin/vantrel_list_bench`). Goal: well under a'
    echo "second."
    echo
    read -r ln lt lf lr <<<"$list"
    echo "| tasks | list (µs) | reading (µs) | ratio |"
    echo "|---|---|---|---|"
    echo "| $ln | $lt | $lf | $lr |"
    echo
    echo "## Next runs of 1,000 tasks (counted, native)"
    echo
    echo "What the tray does at the start of each minute to name the next task in its tip: the next"
    echo "run of each of 1,000 enabled tasks from the tasks the tick read, and the earliest of them"
    echo '(`FirstNextTask`); the settings list computes the same for each of its rows. The tasks are'
    echo "the matching rules' texts above, all eight in turn or one alone, from the benchmarks' time."
    echo 'Instructions of one pass: `valgrind --tool=callgrind build/native/bin/vantrel_next_run_count'
    echo 'all|RULE N` for N = 1 and 11, difference divided by 10. Goal (exact): linear in the tasks'
    echo "and at most two ticks' worth of work (the tick runs ten times a minute, this pass once); the"
    echo "tick's registry calls above stay as they are, since the tip reads nothing the tick has not"
    echo "read but the action of the one task it names, once while the tasks stay as they are."
    echo
    echo "| tasks | instructions per pass | per task |"
    echo "|---|---|---|"
    echo "$nextruns" | while read -r r i; do
        [ -n "$r" ] || continue
        [ "$r" = all ] && r="the eight kinds in turn"
        echo "| $r | $i | $((i / 1000)) |"
    done
    echo
    echo "## Reading a registry file of 20,000 keys (native)"
    echo
    echo '`ParseRegFile` on a file like the registry editor'"'"'s export of `HKEY_LOCAL_MACHINE\SOFTWARE`:'
    echo "20,000 keys of three values each, with a value deletion every 100 keys and a key deletion"
    echo "every 1,000, and the program key in the middle; as \`REGEDIT4\` (GBK) and as"
    echo "\`Windows Registry Editor Version 5.00\` (UTF-16LE). The floor reads the file's bytes once"
    echo "(counting its line ends); the parse builds every key and value and the layout that a write"
    echo "through \`--file\` keeps. \"Rewrite\" is that write: the program key's lines changed, every"
    echo 'other line copied as it was. Best of 5 rounds (`build/native/bin/vantrel_reg_file_bench`).'
    echo "Goal (timed): the parse under a second for the file."
    echo
    echo "| file | keys | bytes | parse (ms) | floor (ms) | ratio | rewrite (ms) |"
    echo "|---|---|---|---|---|---|---|"
    echo "$regfile" | while read -r kind keys bytes parse floor r rewrite; do
        [ -n "$kind" ] || continue
        [ "$kind" = "5.00-UTF-16" ] && kind="5.00 (UTF-16)"
        echo "| $kind | $keys | $bytes | $parse | $floor | $r | $rewrite |"
    done
    echo
    echo "Keys are found by their folded name in a hash map, values by key and folded name, and a"
    echo "deleted key or value is only marked and swept once at the end, so the work grows with the"
    echo "file. The ratio to the floor is large because the floor only touches each byte; the parse"
    echo "makes a string of every line, name and value."
    echo
    echo "## Start-up and memory (timed, under Wine)"
    echo
    echo 'From process start until its message loop first waits (after the tray icon is added), over'
    echo "$starts starts taken in turns with the floor's $floor_starts (ms as minimum / median / maximum), and"
    echo 'private memory 0.5 s later (median of the starts) and after 1,000 tick messages, against'
    echo '`vantrel_floor.exe`, a minimal program with one hidden window and one tray icon that'
    echo 'carries the program'"'"'s manifest and so loads the common controls before its first window,'
    echo 'as Windows XP requires (`vantrel_startup_bench.exe EXE CLASS 5 1000`, four rounds each).'
    echo 'Goal (timed): a ratio of the medians of at most 1.2 within the spread; no growth.'
    echo
    echo "| program | start (ms) | start spread | private (KB) | after 1,000 ticks (KB) |"
    echo "|---|---|---|---|---|"
    echo "| Vantrel.exe | $(cell $vs) | $(spread $vs) | $vm | $va |"
    echo "| floor | $(cell $fs) | $(spread $fs) | $fm | |"
    echo "| ratio | $(ratio "$(echo $vs | cut -d' ' -f3)" "$(echo $fs | cut -d' ' -f3)") | | $(ratio "$vm" "$fm") | growth $growth KB |"
    echo
    echo "## Size (counted)"
    echo
    echo "What each part of the two shipped programs weighs, in KB of 1,024 bytes, from the link"
    echo 'maps the build writes (`build/windows/link-maps/`; `tools/check_sizes.py --markdown`): each'
    echo "input section counted under the library it came from, the unwind tables (.eh_frame) apart;"
    echo "the parts add up to the file. Goal (exact, the ctest entry \`shipped_sizes\`): each program"
    echo "at most 400 KB without its resources, counted as 400,000 bytes so that it holds however a"
    echo "KB is counted. The resources (Vantrel.exe's three icons of 17 images from 16 to 128 px, the"
    echo "glyphs, the manifest and the version) stand apart. The last row is the same program linked"
    echo "with the linker's own script, which keeps every unwind entry (below)."
    echo
    echo "$sizes"
    echo
    echo "## Timers"
    echo
    echo "Imports of timeBeginPeriod or NtSetTimerResolution: $timer. The program wakes only for its"
    echo "own window timers: the 6 s tick, the 60 s re-arm, the 1 s countdown while it runs, and once"
    echo "at the start of each minute for the pause, the quick timer and the tray tip (the settings"
    echo "window, while open, once a minute for its next runs)."
    echo
    echo "## Run history: appending one line (timed, under Wine)"
    echo
    echo "What the program does for each event it records: open \`history.log\`, one write, flush"
    echo "to the disk, close. 2,000 appends of a typical line (a task, a Chinese path and an error"
    echo 'text) into a scratch folder (`build/windows/bin/vantrel_history_bench.exe`), in µs.'
    echo "Goal (timed): the write well under a millisecond. A tick that fires nothing writes"
    echo "nothing: the counted registry calls and instructions above are the tick's whole cost."
    echo
    echo "| append | median | 99th percentile | worst |"
    echo "|---|---|---|---|"
    echo "$history" | while read -r what med p99 worst; do
        case "$what" in
            append) echo "| whole line, flushed to the disk (as the program does) | $med | $p99 | $worst |" ;;
            unflushed) echo "| the same without the flush | $med | $p99 | $worst |" ;;
            rotation) echo "| the append that renames a full file to \`history.1.log\` | $med | | |" ;;
        esac
    done
    echo
    echo "The flush, which keeps a power cut from losing more than the line being written, is a"
    echo "disk synchronisation (fsync under Wine): most of an append's time, and the part that"
    echo "moves with the disk. The program records a few lines an hour, one per fired task or"
    echo "command, so it never delays the tick noticeably."
    echo
    echo "## What limits the figures"
    echo
    echo "- The tick reads each value with one registry call (a stack buffer takes the common"
    echo "  short text; a longer one is read again at its size), so each counted value read of the"
    echo "  tick is one query of the real registry, and its opening and its count of the key's"
    echo "  values one call each. Under Wine each such call is a round trip to the Wine server, whose"
    echo "  times on this shared machine move by a factor of two and more from run to run (the floor"
    echo "  at 1,000 tasks took 8.7 ms in one run and 38.5 ms in the next): the spreads show this"
    echo "  run's noise, and the counts, not the timed ratios, show whether a change made the tick"
    echo "  do more. The timed tick is the tick itself; before it the program reads TaskNum once"
    echo "  more, in an opening of its own, so that a task added from outside runs (counted apart)."
    echo "- The rules meet the goal on the tick's path: it reads the fields as views into the"
    echo "  schedule text and allocates nothing. The once rule costs most, as it reads its date"
    echo "  under the short date format. Handing the field texts back costs one string per field"
    echo "  and the list that holds them, about 600 to 1,000 instructions more; only the editor"
    echo "  asks for them, once per task it loads."
    echo "- vantrelctl list: the next run is computed, not walked: the days that can match follow"
    echo "  from the fields (a weekday, a day of each month, a date of each year, the once date read"
    echo "  for each year), the minutes from the time fields, and each candidate goes to the tick's"
    echo "  answer-only rule. A task costs a few candidate checks, a never-due one at most one per"
    echo "  month or year of the horizon; reading the file is most of the time."
    echo "- Start-up and memory: the program loads the common controls before its first window"
    echo "  (under a manifest that asks for their version 6, Windows XP creates no window until"
    echo "  then), and the sound and file-dialog libraries when a countdown or a Browse button"
    echo "  first needs them; the countdown window builds its controls for its first countdown."
    echo "  Waiting in the tray it has the same libraries loaded as the floor. Before, loading all"
    echo "  three at start-up made private memory 2.3 times a floor without the common controls;"
    echo "  activating the hidden window at start-up also loaded COM through the"
    echo "  input method (and took the keyboard from the user's window), which no longer happens."
    echo "  Both programs keep the linker's usual 512-byte file alignment: Windows maps an image"
    echo "  either way, while 4 KB alignment (which lets Wine map the file instead of reading it"
    echo "  into private memory) cost 20 KB of every download. Under Wine, private memory"
    echo "  therefore includes the program file."
    echo "- Size: both programs link the C++ runtime statically, so that each is one file that needs"
    echo "  only Windows' own DLLs; with it comes the exception unwinder. The win32 thread variant"
    echo "  of the compiler links no thread library (the programs use no second thread). The C++ runtime's string"
    echo "  code is most of its share: the SSO string the program uses, and the older reference-"
    echo "  counted one that the standard exception classes keep their messages in. No iostreams or"
    echo "  locale object is linked (the maps list none), nor the demangler, the wide-string runtime"
    echo "  or the C library's floating-point printf and strtod. The linker's own MinGW script keeps"
    echo "  every unwind entry, and each entry keeps its function, so --gc-sections dropped almost"
    echo "  nothing: template and inline functions that nothing calls stayed, with their tables."
    echo '  `cmake/trim_unwind_link.py` links the shipped programs with that script changed to keep'
    echo "  the entries of reached functions only (every function the program keeps still has its"
    echo "  entry): the difference between the last two rows. Vantrel.exe's sections start on 4 KB"
    echo "  boundaries in the file (so that Wine maps the file rather than reading it into private"
    echo "  memory, above), which is most of its padding row. Of Vantrel.exe's resources, most is"
    echo "  ENASHUT's and DISSHUT's 24-bit images of 64 to 128 pixels, about 100 KB an icon: the icon"
    echo "  layout asks for 24 bits there, and a 24-bit image can only be a bitmap, because the"
    echo "  key-colour transparency of a 24-bit PNG is ignored by icon readers (Wine draws the key"
    echo "  colour). MAINICON's 32-bit images from 64 px are PNG, and the 48 to 16 pixel images each"
    echo "  icon lists twice are stored once. Stored as 32-bit PNG those images would take about"
    echo "  210 KB less (tried), at the cost of the depth the layout specifies."
} > "$out"
cat "$out"
