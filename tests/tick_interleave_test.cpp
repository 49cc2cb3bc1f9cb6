// The tick against a writer that changes the task list between any two of
// its reads: whatever it runs is a task as some writer stored it, and no
// task runs twice in one tick.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "registry/memory_registry.h"
#include "scheduler/tick.h"
#include "store/task_store.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelTickInterleave";

// Runs `writer` (a whole change of the store) just before the tick's
// `before`-th read of a value, counted from 0; the tick's key stays open.
class Interleaved : public MemoryRegistry {
public:
    int before = -1, reads = 0;
    std::function<void()> writer;

    std::string ReadString(const std::string& name) override {
        Interpose();
        return MemoryRegistry::ReadString(name);
    }
    std::int32_t ReadInteger(const std::string& name) override {
        Interpose();
        return MemoryRegistry::ReadInteger(name);
    }

private:
    void Interpose() {
        if (inWriter_ || reads++ != before || !writer) return;
        inWriter_ = true;
        writer();
        inWriter_ = false;
        MemoryRegistry::OpenKey(kKey, false);
    }
    bool inWriter_ = false;
};

// What the tick started, one line per action.
class Host : public TickHost {
public:
    std::vector<std::string> runs;
    void ShowReminder(const std::string& text) override { runs.push_back("提醒 " + text); }
    void OpenTaskFile(const std::string& p) override { runs.push_back("打开文件 " + p); }
    void CloseProgramByName(const std::string& f) override { runs.push_back("关闭程序 " + f); }
    void DialDefaultConnection() override { runs.push_back("拨号连接"); }
    void SetNetworkAdapter(const std::string& a, bool enable) override {
        runs.push_back(std::string(enable ? "启用网卡 " : "禁用网卡 ") + a);
    }
    void CleanSystemJunk(bool) override { runs.push_back("清理系统垃圾"); }
    bool StartCountdown(const std::string& word, bool) override {
        runs.push_back("倒计时 " + word);
        return true;
    }
    void SuspendTick() override {}
};

TaskRecord Task(const char* schedule, const char* action, const char* parameter) {
    return {schedule, action, parameter, "启用"};
}

struct Case {
    const char* what;
    std::vector<TaskRecord> before;
    std::function<void(TaskStore&, Settings&)> change;
    std::set<std::string> allowed;  // what may run: the old and the new version
};

const Case kCases[] = {
    {"a 09:00 reminder rewritten as a 23:00 shutdown",
     {Task("每天9时0分", "提醒", "开会")},
     [](TaskStore& st, Settings&) { st.Rewrite(1, "每天23时0分", "关闭计算机", ""); },
     {"提醒 开会"}},
    {"a reminder rewritten as opening a file at the same minute",
     {Task("每天9时0分", "提醒", "开会")},
     [](TaskStore& st, Settings&) { st.Rewrite(1, "每天9时0分", "打开文件", "C:\\a.txt"); },
     {"提醒 开会", "打开文件 C:\\a.txt"}},
    {"a shutdown rewritten as a reminder",
     {Task("每天9时0分", "关闭计算机", "")},
     [](TaskStore& st, Settings&) { st.Rewrite(1, "每天9时0分", "提醒", "喝水"); },
     {"倒计时 关机", "提醒 喝水"}},
    {"task 1 of (a, b) deleted",
     {Task("每天9时0分", "提醒", "a"), Task("每天9时0分", "提醒", "b")},
     [](TaskStore& st, Settings& s) { st.Delete(s, 1); },
     {"提醒 a", "提醒 b"}},
    {"task 1 of (a, b, c) deleted",
     {Task("每天9时0分", "提醒", "a"), Task("每天9时0分", "提醒", "b"), Task("每天9时0分", "提醒", "c")},
     [](TaskStore& st, Settings& s) { st.Delete(s, 1); },
     {"提醒 a", "提醒 b", "提醒 c"}},
};

// The writer before every read of the tick in turn (and not at all): each
// run is of a version some writer stored, none twice, and a task the change
// leaves due and untouched runs.
TEST(TickInterleave, TheTickRunsOnlyStoredVersionsAndEachOnce) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        int readsAlone = 0;
        for (int before = -1; before <= readsAlone; ++before) {
            SCOPED_TRACE("writer before read " + std::to_string(before));
            Interleaved reg;
            TaskStore store(reg, kKey);
            Settings settings;
            store.StartupLoad(settings);
            store.ReplaceTasks(settings, c.before);
            reg.writer = [&] { c.change(store, settings); };
            reg.before = before;
            reg.reads = 0;
            Settings tickCopy = settings;
            TickState state;
            Host host;
            LocalTime at;
            at.year = 2026, at.month = 12, at.day = 7, at.dayOfWeek = 1, at.hour = 9;
            RunTick(reg, kKey, at, MatchEnv(), tickCopy, state, host);
            if (before < 0) readsAlone = reg.reads;
            std::set<std::string> once;
            for (const std::string& run : host.runs) {
                EXPECT_TRUE(c.allowed.count(run)) << "ran " << run;
                EXPECT_TRUE(once.insert(run).second) << "ran twice: " << run;
            }
        }
    }
}

// Runs a whole tick after the writer's `after`-th write (from 1); the
// writer's key stays open.
class TickBetweenWrites : public MemoryRegistry {
public:
    int after = 0, writes = 0;
    std::function<void()> tick;

    void WriteString(const std::string& n, const std::string& v) override {
        MemoryRegistry::WriteString(n, v);
        Interpose();
    }
    void WriteInteger(const std::string& n, std::int32_t v) override {
        MemoryRegistry::WriteInteger(n, v);
        Interpose();
    }
    bool DeleteValue(const std::string& n) override {
        const bool deleted = MemoryRegistry::DeleteValue(n);
        Interpose();
        return deleted;
    }

private:
    void Interpose() {
        if (++writes != after || !tick) return;
        tick();
        MemoryRegistry::OpenKey(kKey, false);
    }
};

// A tick between any two writes of the change: the same.
TEST(TickInterleave, ATickBetweenTwoWritesRunsOnlyStoredVersionsAndEachOnce) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        for (int after = 1;; ++after) {
            SCOPED_TRACE("tick after write " + std::to_string(after));
            TickBetweenWrites reg;
            TaskStore store(reg, kKey);
            Settings settings;
            store.StartupLoad(settings);
            store.ReplaceTasks(settings, c.before);
            Settings tickCopy = settings;
            TickState state;
            Host host;
            reg.tick = [&] {
                LocalTime at;
                at.year = 2026, at.month = 12, at.day = 7, at.dayOfWeek = 1, at.hour = 9;
                RunTick(reg, kKey, at, MatchEnv(), tickCopy, state, host);
            };
            reg.writes = 0;
            reg.after = after;
            c.change(store, settings);
            std::set<std::string> once;
            for (const std::string& run : host.runs) {
                EXPECT_TRUE(c.allowed.count(run)) << "ran " << run;
                EXPECT_TRUE(once.insert(run).second) << "ran twice: " << run;
            }
            if (reg.writes < after) break;  // the change made fewer writes: every gap seen
        }
    }
}

}  // namespace
}  // namespace vantrel
