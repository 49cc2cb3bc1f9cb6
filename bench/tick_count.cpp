// Counts the registry calls of one tick, and runs ticks for callgrind.
//
//   tick_count calls
// For 10, 100 and 1000 enabled tasks none due, without and with a stray
// record and a corrupt task count, and with the first task a reminder due
// at the benchmarks' time, one line:
//   tasks plain|stray|due examined  TICK  FOLLOW  FLOOR
// where each of TICK (the tick), FOLLOW (the program's reading of the stored
// task count before it) and FLOOR (two reads per task) is six counts:
//   opens closes reads enumerations names-listed writes
//
//   tick_count work tick|floor TASKS N
// Fills TASKS tasks and runs N ticks (or N floor passes), for callgrind:
// one tick costs (I(N) - I(1)) / (N - 1) instructions.
//
// Natively the calls go to the in-memory registry, on Windows to the real
// one: the counts are the same when the tick's calls do not depend on the
// registry beneath it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_tasks.h"
#include "registry/counting_registry.h"
#include "store/task_store.h"
#ifdef _WIN32
#include "registry/registry_win.h"
#else
#include "registry/memory_registry.h"
#endif

using namespace vantrel;

namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelBenchCount";

#ifdef _WIN32
using BenchRegistry = WinRegistry;
void ClearKey() { WinRegistry::DeleteTree(kKey); }
#else
using BenchRegistry = MemoryRegistry;
void ClearKey() {}
#endif

void Print(const RegistryCalls& c) {
    std::printf("  %llu %llu %llu %llu %llu %llu", static_cast<unsigned long long>(c.opens),
                static_cast<unsigned long long>(c.closes), static_cast<unsigned long long>(c.reads),
                static_cast<unsigned long long>(c.enumerations),
                static_cast<unsigned long long>(c.namesListed), static_cast<unsigned long long>(c.writes));
}

void CountCalls() {
    for (int tasks : {10, 100, 1000}) {
        for (const char* kind : {"plain", "stray", "due"}) {
            const bool stray = std::strcmp(kind, "stray") == 0;
            ClearKey();
            BenchRegistry inner;
            Settings settings = FillBenchTasks(inner, kKey, tasks, stray);
            if (std::strcmp(kind, "due") == 0) {
                TaskStore store(inner, kKey);
                store.Rewrite(1, "每天17时30分", "提醒", "x");  // due at BenchTime()
            }
            CountingRegistry reg(inner);
            FollowStoredTaskCount(reg, kKey, settings);
            const RegistryCalls follow = reg.calls();
            reg.Reset();
            const TickReport report = BenchTick(reg, kKey, settings);
            const RegistryCalls tick = reg.calls();
            reg.Reset();
            FloorPass(reg, kKey, tasks);
            std::printf("%d %s %d", tasks, kind, report.tasksExamined);
            Print(tick);
            Print(follow);
            Print(reg.calls());
            std::printf("\n");
        }
    }
    ClearKey();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "calls") == 0) {
        CountCalls();
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "work") == 0) {
        const bool floor = std::strcmp(argv[2], "floor") == 0;
        const int tasks = std::atoi(argv[3]);
        const long n = std::atol(argv[4]);
        ClearKey();
        BenchRegistry reg;
        const Settings settings = FillBenchTasks(reg, kKey, tasks, false);
        volatile std::size_t sink = 0;
        for (long i = 0; i < n; ++i)
            sink = floor ? FloorPass(reg, kKey, tasks)
                         : static_cast<std::size_t>(BenchTick(reg, kKey, settings).tasksExamined);
        ClearKey();
        return sink == 0 && tasks > 0 ? 1 : 0;
    }
    return 2;
}
