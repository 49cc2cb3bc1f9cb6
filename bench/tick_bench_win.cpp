// The tick on the real registry with 10, 100 and 1000 enabled tasks, none
// due, against its floor: the registry reads it cannot avoid, two bare
// RegQueryValueExA calls per task on the same key. Tick and floor take turns
// over a number of rounds; each is given as the minimum, lower quartile,
// median, upper quartile and maximum of its rounds (TIMES, in µs). One line
// per size:
//   tasks TICK_TIMES FLOOR_TIMES
// Then the same tasks in a key that also holds a stray record value
// A100000001 and a corrupt TaskNum (2147483647), loaded as start-up loads
// them, against the tick without them, taking turns the same way:
//   stray tasks STRAY_TIMES PLAIN_TIMES
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_tasks.h"
#include "registry/registry_win.h"

using namespace vantrel;

namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelBench";
const char kStrayKey[] = "\\Software\\Brelnix\\VantrelBenchStray";
// Odd, so that the median is one round's time.
const int kRounds = 61;

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double FloorOnce(int tasks) {
    double start = Seconds();
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey + 1, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    char buffer[256];
    for (int n = 1; n <= tasks; ++n) {
        std::string a = "A" + std::to_string(n), d = "D" + std::to_string(n);
        DWORD type, size = sizeof buffer;
        RegQueryValueExA(key, a.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        size = sizeof buffer;
        RegQueryValueExA(key, d.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    }
    RegCloseKey(key);
    return Seconds() - start;
}

double TickOnce(WinRegistry& reg, const char* key, const Settings& settings) {
    double start = Seconds();
    BenchTick(reg, key, settings);
    return Seconds() - start;
}

Settings Fill(WinRegistry& reg, const char* key, int tasks, bool stray) {
    WinRegistry::DeleteTree(key);
    return FillBenchTasks(reg, key, tasks, stray);
}

// Minimum, lower quartile, median, upper quartile and maximum in µs.
void PrintDistribution(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    for (std::size_t i : {std::size_t{0}, n / 4, n / 2, 3 * n / 4, n - 1}) std::printf(" %.1f", times[i] * 1e6);
}

}  // namespace

int main() {
    for (int tasks : {10, 100, 1000}) {
        WinRegistry reg;
        const Settings settings = Fill(reg, kKey, tasks, false);
        std::vector<double> tick, floor;
        for (int r = 0; r < kRounds; ++r) {
            tick.push_back(TickOnce(reg, kKey, settings));
            floor.push_back(FloorOnce(tasks));
        }
        std::printf("%d", tasks);
        PrintDistribution(tick);
        PrintDistribution(floor);
        std::printf("\n");
    }
    for (int tasks : {10, 100, 1000}) {
        WinRegistry reg;
        const Settings plain = Fill(reg, kKey, tasks, false);
        const Settings stray = Fill(reg, kStrayKey, tasks, true);
        std::vector<double> withStray, without;
        for (int r = 0; r < kRounds; ++r) {
            withStray.push_back(TickOnce(reg, kStrayKey, stray));
            without.push_back(TickOnce(reg, kKey, plain));
        }
        std::printf("stray %d", tasks);
        PrintDistribution(withStray);
        PrintDistribution(without);
        std::printf("\n");
    }
    WinRegistry::DeleteTree(kKey);
    WinRegistry::DeleteTree(kStrayKey);
    return 0;
}
