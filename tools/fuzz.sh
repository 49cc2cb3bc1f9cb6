#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, address and undefined-
# behaviour sanitizers, and runs each for SECONDS (default 60) from its seed
# corpus in fuzz/corpus/<target>. New inputs go to build/fuzz/corpus, never
# into the committed seeds; a crash is saved in build/fuzz/crashes.
#
# clang compiles narrow literals as UTF-8 only, so the sources are copied in
# GBK (code page 936) and compiled from there: clang keeps the bytes of a
# string literal as they stand in the file.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
seconds=${1:-60}
out=build/fuzz
src=$out/src
mkdir -p "$src" "$out/bin" "$out/corpus" "$out/crashes"

for f in text/*.h text/*.cpp registry/*.h registry/*.cpp autostart/*.h autostart/*.cpp store/*.h store/*.cpp scheduler/*.h scheduler/*.cpp actions/*.h actions/*.cpp runner/*.h service/*.h service/*.cpp fuzz/*.cpp; do
    case "$f" in *_win.*) continue ;; esac
    mkdir -p "$src/$(dirname "$f")"
    if [ ! -f "$src/$f" ] || [ "$f" -nt "$src/$f" ]; then iconv -c -f UTF-8 -t GBK "$f" > "$src/$f"; fi
done

core=(text/gbk_text.cpp store/schedule_text.cpp store/task_record.cpp registry/registry.cpp
      registry/memory_registry.cpp store/task_store.cpp scheduler/conversions.cpp
      scheduler/matching.cpp actions/wake_plan.cpp text/codepage_posix.cpp registry/reg_file.cpp
      text/number_text.cpp registry/file_registry.cpp store/task_count.cpp store/key_change.cpp store/store_lock.cpp
      store/store_lock_posix.cpp store/extra_settings.cpp store/minute_values.cpp store/policy.cpp
      store/store_policies.cpp autostart/logon_start.cpp
      service/view_protocol.cpp)
flags=(-std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -Wno-invalid-source-encoding -I"$here/$src")

targets=(fuzz_matching fuzz_wake_choice fuzz_short_date fuzz_gbk_path fuzz_store_model fuzz_reg_file fuzz_view_protocol)
for t in "${targets[@]}"; do
    if [ ! -x "$out/bin/$t" ] || [ -n "$(find "$src" -type f -newer "$out/bin/$t" -print -quit)" ]; then
        (cd "$src" && clang++ "${flags[@]}" "fuzz/$t.cpp" "${core[@]}" -o "$here/$out/bin/$t")
    fi
done

status=0
passed=0
failed=0
for t in "${targets[@]}"; do
    mkdir -p "$out/corpus/$t"
    if "$out/bin/$t" -max_total_time="$seconds" -seed=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$out/crashes/$t-" -print_final_stats=0 \
        "$out/corpus/$t" "fuzz/corpus/$t" > "$out/$t.log" 2>&1; then
        echo "fuzz: $t ran ${seconds}s: $(grep -o 'Done [0-9]* runs' "$out/$t.log" | tail -n 1)"
        passed=$((passed + 1))
    else
        echo "fuzz: $t FAILED (log: $out/$t.log)"
        tail -n 30 "$out/$t.log"
        failed=$((failed + 1))
        status=1
    fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
