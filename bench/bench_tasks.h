// The tasks the tick benchmarks run over: enabled tasks none of which is due
// at the benchmarks' time, with or without a stray record and a corrupt task
// count, loaded as start-up loads them; and the floor, the registry reads a
// tick cannot avoid.
#pragma once

#include <string>

#include "bench/rule_cases.h"
#include "scheduler/tick.h"
#include "registry/registry.h"
#include "store/task_record.h"
#include "store/task_store.h"

namespace vantrel {

class NullHost : public TickHost {
public:
    void ShowReminder(const std::string&) override {}
    void OpenTaskFile(const std::string&) override {}
    void CloseProgramByName(const std::string&) override {}
    void DialDefaultConnection() override {}
    void SetNetworkAdapter(const std::string&, bool) override {}
    void CleanSystemJunk(bool) override {}
    bool StartCountdown(const std::string&, bool) override { return true; }
    void SuspendTick() override {}
};

// Fills the empty key `key` with `tasks` tasks due at 3:00, none due at the
// benchmarks' 17:30; with `stray`, also a stray record value far above them
// and a TaskNum no key can hold. Returns the settings as start-up loads them.
inline Settings FillBenchTasks(Registry& reg, const std::string& key, int tasks, bool stray) {
    TaskStore store(reg, key);
    Settings settings;
    store.StartupLoad(settings);
    for (int i = 0; i < tasks; ++i) store.Append(settings, "每天3时0分", "提醒", "x");
    if (stray) {
        OpenedKey open(reg, key);
        reg.WriteString("A100000001", "每天3时0分");
        reg.WriteInteger("TaskNum", 2147483647);
    }
    settings = Settings();
    store.StartupLoad(settings);
    return settings;
}

// One tick as the program runs it every six seconds, without its first step
// (following the stored task count), which the benchmarks count apart.
inline TickReport BenchTick(Registry& reg, const std::string& key, const Settings& settings) {
    const LocalTime now = BenchTime();  // 17:30: none of the 3:00 tasks is due
    MatchEnv env;
    TickState state;
    NullHost host;
    return RunTick(reg, key, now, env, settings, state, host);
}

// The floor: the schedule and the enabled state of each task, two reads per
// task in one opening of the key.
inline std::size_t FloorPass(Registry& reg, const std::string& key, int tasks) {
    OpenedKey open(reg, key);
    std::size_t bytes = 0;
    for (int n = 1; n <= tasks; ++n) {
        bytes += reg.ReadString(RecordValueName('A', n)).size();
        bytes += reg.ReadString(RecordValueName('D', n)).size();
    }
    return bytes;
}

}  // namespace vantrel
