// Two writers on one program key: the settings window (which lists the
// records once and then acts on its rows) and vantrelctl (which may run at
// any moment between). Every task that should exist survives, and nothing
// else appears.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "registry/memory_registry.h"
#include "store/task_store.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelTwoWriters";

TaskRecord Reminder(const std::string& text) { return TaskRecord{"每天8时0分", "提醒", text, "启用"}; }

// One writer: a store of its own with its own copy of the task count.
struct Writer {
    explicit Writer(Registry& reg) : store(reg, kKey) {
        store.UseLock(NewProcessStoreLock(kKey));
        store.StartupLoad(settings);
    }
    TaskStore store;
    Settings settings;
};

// The settings window: its rows as listed when it (last) read the list.
struct Window : Writer {
    using Writer::Writer;
    std::vector<ListedTask> rows;
    void Read() { rows = store.LoadSettings(settings, "").tasks; }
    const ListedTask& Row(const std::string& parameter) const {
        for (const ListedTask& r : rows)
            if (r.record.parameter == parameter) return r;
        throw std::runtime_error("no row " + parameter);
    }
    ChangeResult DeleteRow(const std::string& parameter) {
        const ListedTask& r = Row(parameter);
        return store.Delete(settings, r.number, r.record);
    }
};

// The parameters of the records 1..TaskNum, in number order.
std::vector<std::string> Stored(Registry& reg) {
    TaskStore reader(reg, kKey);
    Settings s;
    std::vector<std::string> texts;
    for (const ListedTask& t : reader.LoadSettings(s, "").tasks) texts.push_back(t.record.parameter);
    OpenedKey key(reg, kKey);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), static_cast<std::int32_t>(texts.size()));
    return texts;
}

TEST(TwoWriters, EveryTaskThatShouldExistSurvivesAndNothingElseAppears) {
    using Step = std::function<void(Window& window, Writer& ctl, Registry& reg)>;
    const auto changed = [](ChangeResult r) { EXPECT_EQ(r, ChangeResult::RecordChanged); };
    const auto done = [](ChangeResult r) { EXPECT_EQ(r, ChangeResult::Done); };
    const struct {
        const char* what;
        std::vector<std::string> before;
        Step steps;
        std::vector<std::string> after;
    } cases[] = {
        {"vantrelctl delete 1, then the window deletes the row captioned 3 (task c)",
         {"a", "b", "c", "d"},
         [&](Window& w, Writer& ctl, Registry&) {
             ASSERT_TRUE(ctl.store.Delete(ctl.settings, 1));
             const ListedTask c = w.Row("c");
             changed(w.store.Delete(w.settings, c.number, c.record));
             changed(w.store.SetEnabled(c.number, c.record, false));
             w.Read();  // the window reads the list again and the user tries again
             done(w.DeleteRow("c"));
         },
         {"b", "d"}},
        {"modify b, delete row 1, then OK: three reminders at the same minute",
         {"a", "b", "c"},
         [&](Window& w, Writer&, Registry&) {
             const ListedTask b = w.Row("b");  // the editor opened for b
             done(w.DeleteRow("a"));
             changed(w.store.Rewrite(b.number, b.record, "每天8时0分", "提醒", "b2"));
             w.Read();
             const ListedTask moved = w.Row("b");
             done(w.store.Rewrite(moved.number, moved.record, "每天8时0分", "提醒", "b2"));
         },
         {"b2", "c"}},
        {"a window opened before vantrelctl add deletes, then two more adds",
         {"a", "b"},
         [&](Window& w, Writer& ctl, Registry&) {
             ctl.store.Append(ctl.settings, "每天8时0分", "提醒", "e");
             done(w.DeleteRow("a"));
             ctl.store.Append(ctl.settings, "每天8时0分", "提醒", "f");
             ctl.store.Append(ctl.settings, "每天8时0分", "提醒", "g");
         },
         {"b", "e", "f", "g"}},
        {"an add after TaskNum was lowered by hand: the records above it are no tasks and go",
         {"a", "b", "c"},
         [&](Window&, Writer& ctl, Registry& reg) {
             {
                 OpenedKey key(reg, kKey);
                 reg.WriteInteger("TaskNum", 1);
             }
             EXPECT_EQ(ctl.store.Append(ctl.settings, "每天8时0分", "提醒", "h"), 2);
         },
         {"a", "h"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry reg;
        {
            Writer setup(reg);
            for (const std::string& p : c.before) setup.store.AppendRecord(setup.settings, Reminder(p));
        }
        Window window(reg);
        window.Read();
        Writer ctl(reg);
        c.steps(window, ctl, reg);
        EXPECT_EQ(Stored(reg), c.after);
    }
}

// A registry that, after every change, takes what a tick would read then:
// the records 1..TaskNum.
class TickWatch : public MemoryRegistry {
public:
    std::vector<std::vector<TaskRecord>> views;

    void WriteString(const std::string& name, const std::string& value) override {
        MemoryRegistry::WriteString(name, value);
        Look();
    }
    void WriteInteger(const std::string& name, std::int32_t value) override {
        MemoryRegistry::WriteInteger(name, value);
        Look();
    }

private:
    void Look() {
        std::vector<TaskRecord> view;
        std::int32_t count = ValueExists("TaskNum") ? MemoryRegistry::ReadInteger("TaskNum") : 0;
        for (int n = 1; n <= count; ++n)
            view.push_back(TaskRecord{ReadString(RecordValueName('A', n)), ReadString(RecordValueName('B', n)),
                                      ReadString(RecordValueName('C', n)), ReadString(RecordValueName('D', n))});
        views.push_back(view);
    }
};

// A new record is never seen by the tick half written or in an enabled
// state it was not given (vantrelctl add --disabled of a power action).
TEST(TwoWriters, TheTickSeesANewRecordOnlyWhole) {
    const TaskRecord kept = Reminder("kept");
    const TaskRecord added{"每天8时0分", "关闭计算机", "", "禁用"};
    TickWatch reg;
    Writer writer(reg);
    writer.store.AppendRecord(writer.settings, kept);
    reg.views.clear();
    writer.store.AppendRecord(writer.settings, added);
    ASSERT_FALSE(reg.views.empty());
    for (const auto& view : reg.views) {
        ASSERT_GE(view.size(), 1u);
        EXPECT_EQ(view[0], kept);
        if (view.size() > 1) {
            EXPECT_EQ(view[1], added);
        }
    }
    EXPECT_EQ(reg.views.back().size(), 2u);
}

// While one writer holds the lock, every write of another says so and
// changes nothing; a reader is not held up.
TEST(TwoWriters, AWriterThatCannotGetTheLockChangesNothing) {
    using Write = std::function<void(Writer& w)>;
    const struct {
        const char* what;
        Write write;
    } cases[] = {
        {"append", [](Writer& w) { w.store.Append(w.settings, "每天9时0分", "提醒", "x"); }},
        {"rewrite", [](Writer& w) { w.store.Rewrite(1, "每天9时0分", "提醒", "x"); }},
        {"delete", [](Writer& w) { w.store.Delete(w.settings, 1); }},
        {"enable", [](Writer& w) { w.store.SetEnabled(1, false); }},
        {"settings", [](Writer& w) { w.store.SaveSettings(w.settings, SettingsChoice(), ""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry reg;
        Writer holder(reg);
        holder.store.AppendRecord(holder.settings, Reminder("a"));
        Writer other(reg);
        std::vector<std::string> before;
        {
            OpenedKey key(reg, kKey);
            before = reg.ValueNames();
        }
        const TaskRecord stored = other.store.ReadRecord(1);
        TaskStore::WriteGuard held(holder.store);
        try {
            c.write(other);
            ADD_FAILURE() << "the write went through";
        } catch (const StoreBusy& e) {
            EXPECT_STREQ(e.what(), kStoreBusyText);
        }
        EXPECT_EQ(other.store.ReadRecord(1), stored);
        OpenedKey key(reg, kKey);
        EXPECT_EQ(reg.ValueNames(), before);
    }
    // The holder's own operations run inside its guard (an import's batch).
    MemoryRegistry reg;
    Writer batch(reg);
    TaskStore::WriteGuard held(batch.store);
    EXPECT_EQ(batch.store.Append(batch.settings, "每天9时0分", "提醒", "x"), 1);
    EXPECT_TRUE(batch.store.Delete(batch.settings, 1));
    // A start-up that finds defaults missing says so once, not per default.
    MemoryRegistry empty;
    TaskStore starting(empty, kKey);
    starting.UseLock(NewProcessStoreLock(kKey));
    EXPECT_EQ(starting.StartupLoad(batch.settings).errors, std::vector<std::string>{kStoreBusyText});
}

// An import's options before a settings window opens or while it is open,
// then its OK: kept where the user left them as shown (case: import first,
// the wait the user chose), the copies following.
TEST(TwoWriters, OptionsAnImportStoredSurviveTheSettingsWindowsOk) {
    for (const auto& c : {std::make_pair(true, 0), std::make_pair(false, 0), std::make_pair(false, 120)}) {
        MemoryRegistry reg;
        Window window(reg);
        Writer ctl(reg);
        const auto import = [&] {
            ctl.store.Import(ctl.settings, {}, false, {{"rejian", false, "", 1}, {"soundpath", true, "x.wav", 0}, {"tishi", false, "", 30}});
        };
        if (c.first) import();
        const SettingsChoice shown = ShownChoice(window.store.LoadSettings(window.settings, ""));
        if (!c.first) import();
        SettingsChoice choice = shown;
        if (c.second) choice.countdownSeconds = c.second;
        window.store.SaveSettings(window.settings, choice, "", &shown);
        Settings stored;
        TaskStore(reg, kKey).StartupLoad(stored);
        for (const Settings* s : {&stored, &window.settings})
            EXPECT_EQ(std::make_tuple(s->ctrlFlag, s->soundPath, s->countdownLength),
                      std::make_tuple(1, std::string("x.wav"), c.second ? c.second : 30));
    }
}

}  // namespace
}  // namespace vantrel
