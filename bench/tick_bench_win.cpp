// The tick on the real registry with 10, 100 and 1000 enabled tasks, none
// due, against its floor: the registry reads it cannot avoid, two bare
// RegQueryValueExA calls per task on the same key. Prints one line per size:
//   tasks tick_us floor_us ratio
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/rule_cases.h"
#include "scheduler/tick.h"
#include "store/registry_win.h"

using namespace vantrel;

namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelBench";

class NullHost : public TickHost {
public:
    void ShowReminder(const std::string&) override {}
    void OpenTaskFile(const std::string&) override {}
    void CloseProgramByName(const std::string&) override {}
    void DialDefaultConnection() override {}
    void SetNetworkAdapter(const std::string&, bool) override {}
    void CleanSystemJunk(bool) override {}
    void StartCountdown(const std::string&, bool) override {}
    void SuspendTick() override {}
};

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

}  // namespace

int main() {
    for (int tasks : {10, 100, 1000}) {
        WinRegistry::DeleteTree(kKey);
        WinRegistry reg;
        TaskStore store(reg, kKey);
        Settings settings;
        store.StartupLoad(settings);
        for (int i = 0; i < tasks; ++i) store.Append(settings, "每天3时0分", "提醒", "x");
        const LocalTime now = BenchTime();  // 17:30: none of the 3:00 tasks is due
        MatchEnv env;
        TickState state;
        NullHost host;
        int rounds = tasks >= 1000 ? 15 : 60;
        double tick = 1e9, floor = 1e9;
        // Interleaved and the best of many: the machine is shared and noisy.
        for (int r = 0; r < rounds; ++r) {
            double start = Seconds();
            RunTick(reg, kKey, now, env, settings, state, host);
            tick = std::min(tick, Seconds() - start);
            floor = std::min(floor, FloorOnce(tasks));
        }
        std::printf("%d %.1f %.1f %.2f\n", tasks, tick * 1e6, floor * 1e6, tick / floor);
    }
    WinRegistry::DeleteTree(kKey);
    return 0;
}
