// Every path of the store that writes records, as a reader that takes no
// lock (the tick) sees it between two writes, and as it ends when the
// registry refuses one of its writes: over keys that hold a disabled power
// task and record values above the count.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "registry/memory_registry.h"
#include "store/task_store.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelWriteOrder";

TaskRecord Remind(const char* text, const char* enabled = "启用") { return {"每天9时0分", "提醒", text, enabled}; }
TaskRecord Shutdown(const char* enabled) { return {"每天9时0分", "关闭计算机", "", enabled}; }

// A registry that, after every write, takes what the tick would read then:
// the texts of the enabled records among 1..TaskNum. The `refuse`-th write
// is refused once (a value to delete then stays).
class Watched : public MemoryRegistry {
public:
    int refuse = 0;
    int writes = 0;
    std::vector<std::set<std::string>> views;

    std::set<std::string> Enabled() {
        std::set<std::string> enabled;
        for (int n = 1; n <= TaskCount(*this); ++n)
            if (IsEnabledText(ReadString(RecordValueName('D', n))))
                enabled.insert(ReadString(RecordValueName('A', n)) + "|" + ReadString(RecordValueName('B', n)) +
                               "|" + ReadString(RecordValueName('C', n)));
        return enabled;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        if (Refused()) throw FailedToSetData(name);
        MemoryRegistry::WriteString(name, value);
        views.push_back(Enabled());
    }
    void WriteInteger(const std::string& name, std::int32_t value) override {
        if (Refused()) throw FailedToSetData(name);
        MemoryRegistry::WriteInteger(name, value);
        views.push_back(Enabled());
    }
    bool DeleteValue(const std::string& name) override {
        if (Refused()) return false;
        const bool deleted = MemoryRegistry::DeleteValue(name);
        views.push_back(Enabled());
        return deleted;
    }

private:
    bool Refused() { return ++writes == refuse; }
};

// Every value of the key, with its type.
std::map<std::string, std::string> Contents(Watched& reg) {
    std::map<std::string, std::string> values;
    OpenedKey key(reg, kKey, false);
    for (const std::string& name : reg.ValueNames())
        values[name] = reg.TypeOf(name) == ValueType::DWord ? "dword:" + std::to_string(reg.ReadInteger(name))
                                                             : "sz:" + reg.ReadString(name);
    return values;
}

std::set<std::string> EnabledNow(Watched& reg) {
    OpenedKey key(reg, kKey, false);
    return reg.Enabled();
}

using Op = std::function<void(TaskStore& store, Settings& s)>;

struct Case {
    const char* what;
    std::vector<TaskRecord> records;  // 1..TaskNum
    std::vector<TaskRecord> above;    // numbered after them, TaskNum not counting them
    Op op;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"delete enabled 1 before a disabled shutdown", {Remind("a"), Shutdown("禁用")}, {},
         [](TaskStore& st, Settings& s) { st.Delete(s, 1); }},
        {"delete the middle of three", {Remind("a"), Shutdown("禁用"), Remind("b")}, {},
         [](TaskStore& st, Settings& s) { st.Delete(s, 2, Shutdown("禁用")); }},
        {"delete beside a hidden enabled shutdown", {Remind("a"), Remind("b")}, {Shutdown("启用")},
         [](TaskStore& st, Settings& s) { st.Delete(s, 1); }},
        {"rewrite an enabled reminder as a shutdown", {Remind("a"), Remind("b", "禁用")}, {},
         [](TaskStore& st, Settings&) { st.Rewrite(1, "每天9时0分", "关闭计算机", ""); }},
        {"append disabled over a hidden enabled shutdown", {Remind("a")}, {Shutdown("启用"), Remind("x")},
         [](TaskStore& st, Settings& s) { st.AppendRecord(s, Remind("b", "禁用")); }},
        {"append enabled", {Shutdown("禁用")}, {},
         [](TaskStore& st, Settings& s) { st.Append(s, "每天9时0分", "提醒", "b"); }},
        {"enable a shutdown", {Remind("a"), Shutdown("禁用")}, {},
         [](TaskStore& st, Settings&) { st.SetEnabled(2, Shutdown("禁用"), true); }},
        {"replace in place with a disabled shutdown first", {Remind("a"), Remind("b")}, {},
         [](TaskStore& st, Settings& s) { st.ReplaceTasks(s, {Shutdown("禁用"), Remind("a")}); }},
        {"replace by fewer over records above the count", {Remind("a"), Remind("b")}, {Shutdown("启用")},
         [](TaskStore& st, Settings& s) { st.ReplaceTasks(s, {Remind("c", "禁用")}); }},
        {"import appending tasks and a setting", {Remind("a")}, {Shutdown("启用")},
         [](TaskStore& st, Settings& s) {
             st.Import(s, {Shutdown("禁用"), Remind("b")}, false, {SettingValue{"tishi", false, "", 30}});
         }},
        {"save the options", {Remind("a")}, {},
         [](TaskStore& st, Settings& s) {
             SettingsChoice c;
             c.countdownSeconds = 90;
             c.soundPath = "D:\\ding.wav";
             c.ctrlHotkeys = true;
             st.SaveSettings(s, c, "");
         }},
    };
    return cases;
}

// The key as the case starts: its records, the values above the count, and
// the settings as start-up leaves them.
void Fill(Watched& reg, const Case& c) {
    TaskStore store(reg, kKey);
    store.UseLock(NewProcessStoreLock(kKey));
    Settings s;
    store.StartupLoad(s);
    store.ReplaceTasks(s, c.records);
    OpenedKey key(reg, kKey);
    int n = static_cast<int>(c.records.size());
    for (const TaskRecord& r : c.above) {
        ++n;
        reg.WriteString(RecordValueName('A', n), r.schedule);
        reg.WriteString(RecordValueName('B', n), r.action);
        reg.WriteString(RecordValueName('C', n), r.parameter);
        reg.WriteString(RecordValueName('D', n), r.enabled);
    }
}

// Runs the case's operation with the `refuse`-th write refused; whether it
// raised ChangeRefused with everything put back.
bool RunRefusing(Watched& reg, const Case& c, int refuse) {
    TaskStore store(reg, kKey);
    store.UseLock(NewProcessStoreLock(kKey));
    Settings s;
    reg.views.clear();
    reg.writes = 0;
    reg.refuse = refuse;
    try {
        c.op(store, s);
    } catch (const ChangeRefused& e) {
        EXPECT_TRUE(e.notRestored().empty()) << e.what();
        return true;
    }
    return false;
}

// No state between two writes shows a record enabled that was not enabled
// before or after; afterwards no record value lies above a count written.
TEST(WriteOrder, NoReaderSeesARecordEnabledThatWasNot) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        Watched reg;
        Fill(reg, c);
        std::set<std::string> meant = EnabledNow(reg);
        ASSERT_FALSE(RunRefusing(reg, c, 0));
        for (const std::string& r : EnabledNow(reg)) meant.insert(r);
        for (const auto& view : reg.views)
            for (const std::string& r : view) EXPECT_TRUE(meant.count(r)) << "seen enabled: " << r;
        OpenedKey key(reg, kKey, false);
        EXPECT_EQ(ValuesAboveCount(reg, TaskCount(reg)), std::vector<std::string>());
    }
}

// A registry that refuses the Nth write, for every N: the operation either
// completes as it would have, or leaves every value of the key as it was
// (those above the count included) and says so; its undoing keeps the same
// order for the reader.
TEST(WriteOrder, ARefusedWriteLeavesTheKeyAsItWasOrCompletes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        Watched done;
        Fill(done, c);
        const std::map<std::string, std::string> before = Contents(done);
        std::set<std::string> meant = EnabledNow(done);
        RunRefusing(done, c, 0);
        const std::map<std::string, std::string> after = Contents(done);
        for (const std::string& r : EnabledNow(done)) meant.insert(r);
        for (int refuse = 1;; ++refuse) {
            SCOPED_TRACE("write " + std::to_string(refuse) + " refused");
            Watched reg;
            Fill(reg, c);
            const bool refused = RunRefusing(reg, c, refuse);
            for (const auto& view : reg.views)
                for (const std::string& r : view) EXPECT_TRUE(meant.count(r)) << "seen enabled: " << r;
            EXPECT_EQ(Contents(reg), refused ? before : after);
            if (!refused) break;
        }
    }
}

}  // namespace
}  // namespace vantrel
