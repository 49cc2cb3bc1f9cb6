// Every path of the store that writes records, as the tick sees it between two
// writes and as it ends when one write is refused (store/key_change.h).
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

// After every write, the enabled records among 1..TaskNum; refuses one write.
class Watched : public MemoryRegistry {
public:
    int refuse = 0, writes = 0;
    std::vector<std::set<std::string>> views;

    std::set<std::string> Enabled() {
        std::set<std::string> on;
        for (int n = 1; n <= TaskCount(*this); ++n)
            if (IsEnabledText(ReadString(RecordValueName('D', n))))
                on.insert(ReadString(RecordValueName('A', n)) + ReadString(RecordValueName('B', n)) + "|" +
                          ReadString(RecordValueName('C', n)));
        return on;
    }
    bool Refused() { return ++writes == refuse; }
    template <class Write>
    void Watch(const std::string& n, Write write) {
        if (Refused()) throw FailedToSetData(n);
        write();
        views.push_back(Enabled());
    }
    void WriteString(const std::string& n, const std::string& v) override { Watch(n, [&] { MemoryRegistry::WriteString(n, v); }); }
    void WriteInteger(const std::string& n, std::int32_t v) override { Watch(n, [&] { MemoryRegistry::WriteInteger(n, v); }); }
    bool DeleteValue(const std::string& n) override {
        const bool deleted = !Refused() && MemoryRegistry::DeleteValue(n);
        views.push_back(Enabled());
        return deleted;
    }
};

struct Case {
    const char* what;
    std::vector<TaskRecord> records, above;  // 1..TaskNum, and numbered after them
    std::function<void(TaskStore& store, Settings& s)> op;
};

const Case kCases[] = {
    {"delete enabled 1 before a disabled shutdown", {Remind("a"), Shutdown("禁用")}, {},
     [](TaskStore& st, Settings& s) { st.Delete(s, 1); }},
    {"delete beside a hidden enabled shutdown", {Remind("a"), Remind("b")}, {Shutdown("启用")},
     [](TaskStore& st, Settings& s) { st.Delete(s, 1); }},
    {"rewrite an enabled reminder as a shutdown", {Remind("a"), Remind("b", "禁用")}, {},
     [](TaskStore& st, Settings&) { st.Rewrite(1, "每天9时0分", "关闭计算机", ""); }},
    {"append disabled over a hidden enabled shutdown", {Remind("a")}, {Shutdown("启用"), Remind("x")},
     [](TaskStore& st, Settings& s) { st.AppendRecord(s, Remind("b", "禁用")); }},
    {"enable a shutdown", {Remind("a"), Shutdown("禁用")}, {},
     [](TaskStore& st, Settings&) { st.SetEnabled(2, Shutdown("禁用"), true); }},
    {"replace in place with a disabled shutdown first", {Remind("a"), Remind("b")}, {},
     [](TaskStore& st, Settings& s) { st.ReplaceTasks(s, {Shutdown("禁用"), Remind("a")}); }},
    {"replace by fewer over values above the count", {Remind("a"), Remind("b")}, {Shutdown("启用")},
     [](TaskStore& st, Settings& s) { st.ReplaceTasks(s, {Remind("c", "禁用")}); }},
    {"import appending tasks and a setting", {Remind("a")}, {Shutdown("启用")},
     [](TaskStore& st, Settings& s) { st.Import(s, {Shutdown("禁用"), Remind("b")}, false, {{"tishi", false, "", 3}}); }},
};

std::map<std::string, std::string> Contents(Watched& reg) {
    std::map<std::string, std::string> values;
    OpenedKey key(reg, kKey, false);
    for (const std::string& name : reg.ValueNames())
        values[name] = reg.TypeOf(name) == ValueType::DWord ? std::to_string(reg.ReadInteger(name)) : "'" + reg.ReadString(name);
    return values;
}

// Fills the key as `c` starts (the first view), runs `c` with the `refuse`-th
// write refused (0: none); whether it raised ChangeRefused, all put back.
bool RunCase(Watched& reg, const Case& c, int refuse, std::map<std::string, std::string>* before = nullptr) {
    TaskStore store(reg, kKey);
    Settings s;
    store.StartupLoad(s);
    store.ReplaceTasks(s, c.records);
    for (std::size_t i = 0; i < c.above.size(); ++i) {
        OpenedKey key(reg, kKey);
        const TaskRecord& r = c.above[i];
        const std::pair<char, std::string> values[] = {{'A', r.schedule}, {'B', r.action}, {'C', r.parameter}, {'D', r.enabled}};
        for (const auto& v : values) reg.WriteString(RecordValueName(v.first, static_cast<int>(c.records.size() + i + 1)), v.second);
    }
    if (before) *before = Contents(reg);
    {
        OpenedKey key(reg, kKey, false);
        reg.views = {reg.Enabled()};
    }
    reg.refuse = refuse ? refuse + reg.writes : 0;
    try {
        c.op(store, s);
    } catch (const ChangeRefused& e) {
        EXPECT_TRUE(e.notRestored().empty()) << e.what();
        return true;
    }
    return false;
}

// No state shows a record enabled that was not before or after, nothing stays
// above the count; with the Nth write refused, for every N, the change
// completes or leaves every value as it was, undone in the same order.
TEST(WriteOrder, NoReaderSeesARecordEnabledThatWasNotAndARefusalLeavesTheKeyAsItWas) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Watched done;
        std::map<std::string, std::string> before;
        ASSERT_FALSE(RunCase(done, c, 0, &before));
        const std::map<std::string, std::string> after = Contents(done);
        std::vector<std::set<std::string>> views = done.views;
        std::set<std::string> meant = views.front();  // enabled before, and after
        {
            OpenedKey key(done, kKey, false);
            for (const std::string& r : done.Enabled()) meant.insert(r);
            EXPECT_EQ(ValuesAboveCount(done, TaskCount(done)), std::vector<std::string>());
        }
        for (int refuse = 1;; ++refuse) {
            SCOPED_TRACE("write " + std::to_string(refuse) + " refused");
            Watched reg;
            const bool refused = RunCase(reg, c, refuse);
            views.insert(views.end(), reg.views.begin(), reg.views.end());
            EXPECT_EQ(Contents(reg), refused ? before : after);
            if (!refused) break;
        }
        for (const auto& view : views)
            for (const std::string& r : view) EXPECT_TRUE(meant.count(r)) << "seen enabled: " << r;
    }
}

// Values a hand edit named in lower case ("a2") keep their names when a
// refused change puts them back, with every write refused in turn.
TEST(WriteOrder, ARefusalPutsValuesBackUnderTheNamesTheyHad) {
    for (int refuse = 1;; ++refuse) {
        SCOPED_TRACE("write " + std::to_string(refuse) + " refused");
        Watched reg;
        {
            OpenedKey key(reg, kKey);
            reg.WriteInteger("TaskNum", 2);
            const char* names[] = {"a1", "b1", "c1", "d1", "a2", "b2", "c2", "d2", "a3"};
            const char* texts[] = {"每天9时0分", "提醒", "x", "启用", "每天8时0分", "提醒", "y", "启用", "每天7时0分"};
            for (int i = 0; i < 9; ++i) reg.WriteString(names[i], texts[i]);
        }
        const std::map<std::string, std::string> before = Contents(reg);
        TaskStore store(reg, kKey);
        Settings s;
        reg.refuse = reg.writes + refuse;
        bool refused = false;
        try {
            store.Delete(s, 1);
        } catch (const ChangeRefused& e) {
            refused = true;
            EXPECT_TRUE(e.notRestored().empty()) << e.what();
        }
        if (!refused) break;
        EXPECT_EQ(Contents(reg), before);
    }
}

}  // namespace
}  // namespace vantrel
