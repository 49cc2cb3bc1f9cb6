// The run history natively: the line format and its reader, the writer's
// decisions, the lines the tick's tasks leave, and vantrelctl history.
#include <gtest/gtest.h>

#include <algorithm>

#include "scheduler/history_recorder.h"
#include "scheduler/tick.h"
#include "store/codepage.h"
#include "store/history.h"
#include "store/memory_registry.h"
#include "store/task_record.h"
#include "tests/cli_test_env.h"

namespace vantrel {

void PrintTo(const HistoryEntry& e, std::ostream* os) {
    *os << e.time << "|" << e.source << "|" << e.task << "|" << e.action << "|" << e.outcome;
}

namespace {

HistoryEntry Sample() {
    HistoryEntry e;
    e.time = "2026-12-07 17:30:05";
    e.source = kSourceTick;
    e.task = 3;
    e.schedule = "每天17时30分";
    e.action = "打开文件";
    e.parameter = "C:\\报表\\月报.xls";
    e.outcome = kOutcomeError;
    e.detail = "系统找不到指定的文件。";
    return e;
}

TEST(HistoryLine, EveryTextComesBackAndEveryEventIsOneLineOfEightColumns) {
    // Each text could break a line or a column, or be read back wrong.
    const std::string texts[] = {
        "",
        "tab\there",
        "two\nlines\r\n",
        "C:\\dir\\",        // backslashes, one at the end
        "\\t is no tab",   // an escape-looking text
        "C:\\temp\\new\\r.txt\\\\",
        "\\\\server\\\\\\share",
        "a\\\tb\\\n",                 // a backslash before a tab and a line feed
        "淺俓",            // GBK characters whose second byte is 0x5C
    };
    for (const std::string& text : texts) {
        HistoryEntry e = Sample();
        e.parameter = text;
        e.detail = text;
        const std::string line = FormatHistoryLine(e);
        ASSERT_EQ(line.back(), '\n');
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << text;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 7) << text;
        const auto back = ParseHistoryLine(line.substr(0, line.size() - 1));
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(*back, e) << text;
    }
    // The file is UTF-8, and a path reads as it is: Notepad on any system
    // shows them as the program does.
    EXPECT_NE(FormatHistoryLine(Sample()).find(GbkToUtf8("每天17时30分\t打开文件\tC:\\报表\\月报.xls")),
              std::string::npos);
}

TEST(HistoryLine, TheReaderSkipsWhatIsNotAWholeLine) {
    HistoryEntry a = Sample(), b = Sample();
    b.task = 0;
    b.source = kSourceProgram;
    b.action = kEventStart;
    b.schedule = b.parameter = b.detail = b.outcome = "";
    const std::string la = FormatHistoryLine(a), lb = FormatHistoryLine(b);
    const std::string cut = la.substr(0, la.size() / 2);
    const std::string file = HistoryFileStart() + la +
                             std::string(40, '\0') + "\n" +           // zeros a power cut left
                             cut + "\n" +                             // cut, then a line end
                             "2026-13-45 99:99:99\tx\t\t\t\t\t\t\n" +  // no time
                             lb.substr(0, lb.size() - 1) + "\r\n" +   // a copy with CRLF
                             cut;                                     // being written
    EXPECT_EQ(ReadHistoryLines(file), (std::vector<HistoryEntry>{a, b}));
    EXPECT_TRUE(ReadHistoryLines(HistoryFileStart()).empty());
}

TEST(HistoryFileRules, RotationAndTheCutLine) {
    const std::uint64_t start = HistoryFileStart().size();
    struct Case {
        std::uint64_t size, line;
        bool rotate;
    } cases[] = {
        {0, 100, false},           // a new file
        {start, 5000, false},      // only the header: a long line still goes in
        {900, 100, false},         // exactly at the limit
        {901, 100, true},          // one byte past it
    };
    for (const Case& c : cases)
        EXPECT_EQ(HistoryNeedsRotation(c.size, c.line, 1000), c.rotate) << c.size << "+" << c.line;

    EXPECT_EQ(CutLineBytes("a\tb\n"), 0u);
    EXPECT_EQ(CutLineBytes("a\tb\nhalf"), 4u);
    EXPECT_EQ(CutLineBytes(std::string("a\n\0\0\0", 5)), 3u);
    EXPECT_EQ(CutLineBytes("no line end"), 11u);
}

TEST(HistoryFilter, SinceAMinuteAndOneTask) {
    std::vector<HistoryEntry> all;
    for (const char* t : {"2026-12-07 07:59:59", "2026-12-07 08:00:00", "2026-12-07 08:00:30",
                          "2026-12-08 00:00:00"}) {
        HistoryEntry e = Sample();
        e.time = t;
        e.task = all.size() % 2 ? 3 : 4;
        all.push_back(e);
    }
    EXPECT_EQ(FilterHistory(all, "2026-12-07 08:00", 0),
              (std::vector<HistoryEntry>{all[1], all[2], all[3]}));
    EXPECT_EQ(FilterHistory(all, "", 3), (std::vector<HistoryEntry>{all[1], all[3]}));
    EXPECT_EQ(FilterHistory(all, "2026-12-07 08:00", 4), (std::vector<HistoryEntry>{all[2]}));
}

// The lines a tick leaves, with a host that reports as the program's does.
class ListSink : public HistorySink {
public:
    std::vector<HistoryEntry> lines;
    void Append(const HistoryEntry& e) override { lines.push_back(e); }
};

// Every executor succeeds but opening a file.
class ReportingHost : public TickHost {
public:
    explicit ReportingHost(HistoryRecorder& h) : h_(h) {}
    void ShowReminder(const std::string&) override { Done(); }
    void OpenTaskFile(const std::string&) override { h_.Executed(ActionOutcome::Error("找不到文件。")); }
    void CloseProgramByName(const std::string&) override { Done(); }
    void DialDefaultConnection() override { Done(); }
    void SetNetworkAdapter(const std::string&, bool) override { Done(); }
    void CleanSystemJunk(bool) override { Done(); }
    void StartCountdown(const std::string&, bool) override {
        h_.Executed(ActionOutcome{kOutcomeCountdown, ""});
    }
    void SuspendTick() override {}
    void TaskFired(const FiredTask& t) override { h_.TaskFired(t); }

private:
    void Done() { h_.Executed(ActionOutcome::Done()); }
    HistoryRecorder& h_;
};

class TickHistory : public ::testing::Test {
protected:
    TickHistory() : recorder_(sink_, [] { return At(17, 30, 6); }), host_(recorder_) {}

    static LocalTime At(int hour, int minute, int second) {
        LocalTime t;
        t.year = 2026, t.month = 12, t.day = 7, t.dayOfWeek = 1;
        t.hour = hour, t.minute = minute, t.second = second;
        return t;
    }
    void Store(const std::vector<TaskRecord>& records) {
        OpenedKey key(reg_, kKey);
        for (const TaskRecord& r : records) {
            const int n = ++settings_.taskCount;
            for (auto v : {std::make_pair('A', &r.schedule), std::make_pair('B', &r.action),
                           std::make_pair('C', &r.parameter), std::make_pair('D', &r.enabled)})
                reg_.WriteString(RecordValueName(v.first, n), *v.second);
        }
    }
    void Tick() { RunTick(reg_, kKey, At(17, 30, 5), MatchEnv(), settings_, state_, host_); }

    // time, source, task, schedule, action, parameter, outcome, detail
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const HistoryEntry& e : sink_.lines)
            out.push_back(e.time + "|" + e.source + "|" + std::to_string(e.task) + "|" + e.schedule +
                          "|" + e.action + "|" + e.parameter + "|" + e.outcome + "|" + e.detail);
        return out;
    }

    static constexpr const char* kKey = "\\Software\\Brelnix\\VantrelHistoryTest";
    MemoryRegistry reg_;
    Settings settings_;
    TickState state_;
    ListSink sink_;
    HistoryRecorder recorder_;
    ReportingHost host_;
};

TEST_F(TickHistory, EachFiredTaskLeavesOneLineWithItsOutcome) {
    const std::string due = "每天17时30分";
    Store({{due, "提醒", "开会", "启用"},
           {due, "打开文件", "C:\\无\\a.txt", "启用"},
           {"每天18时0分", "提醒", "not due", "启用"},
           {due, "提醒", "disabled", "禁用"},
           {due, "跳舞", "", "启用"},  // no action the program knows
           {due, "关闭程序", "C:\\Program Files\\x\\NOTEPAD.EXE", "启用"},
           {due, "提醒", "", "启用"},
           {due, "休眠计算机", "第1天7时0分唤醒", "启用"}});
    {
        OpenedKey key(reg_, kKey);
        reg_.WriteInteger("C7", 5);  // a parameter of the wrong type
    }
    Tick();
    const std::string t = "2026-12-07 17:30:06|tick|";
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           t + "1|" + due + "|提醒|开会|done|",
                           t + "2|" + due + "|打开文件|C:\\无\\a.txt|error|找不到文件。",
                           t + "5|" + due + "|跳舞||error|不是可执行的任务",
                           // the whole parameter, not only the name the executor got
                           t + "6|" + due + "|关闭程序|C:\\Program Files\\x\\NOTEPAD.EXE|done|",
                           t + "7|" + due + "|提醒||error|Invalid data type for 'C7'",
                           t + "8|" + due + "|休眠计算机|第1天7时0分唤醒|countdown|",
                       }));

    // The countdown's end is a line of its own for the same task, once.
    sink_.lines.clear();
    recorder_.CountdownEnded(kOutcomeCancelled);
    recorder_.CountdownEnded(kOutcomeCancelled);
    EXPECT_EQ(Lines(), (std::vector<std::string>{t + "8|" + due + "|休眠计算机|第1天7时0分唤醒|cancelled|"}));
}

// vantrelctl history over a history folder in memory.
class HistoryCliEnv : public testing::TestEnv {
public:
    std::string folder = "C:\\ProgramData\\Vantrel";
    std::string HistoryFolder() override { return folder; }
};

class HistoryCli : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out_ = TextOut();
        err_ = TextOut();
        args.insert(args.begin(), "history");
        return RunCli(args, env_, out_, err_);
    }
    std::string Line(const std::string& time, int task, const std::string& outcome) {
        HistoryEntry e = Sample();
        e.time = time;
        e.task = task;
        e.outcome = outcome;
        e.detail = outcome == kOutcomeError ? "路径 \"C:\\a\"\t错" : "";
        return FormatHistoryLine(e);
    }
    HistoryCliEnv env_;
    TextOut out_, err_;
};

TEST_F(HistoryCli, ReadsBothFilesInOrderAndFilters) {
    env_.files[env_.folder + "\\history.1.log"] =
        HistoryFileStart() + Line("2026-12-06 09:00:00", 1, "done");
    env_.files[env_.folder + "\\history.log"] = HistoryFileStart() +
                                                Line("2026-12-07 09:00:00", 2, "error") +
                                                Line("2026-12-07 10:00:00", 1, "done");
    ASSERT_EQ(Run({}), kExitDone) << err_.str();
    const std::string table = out_.str();
    EXPECT_LT(table.find("2026-12-06 09:00:00"), table.find("2026-12-07 09:00:00"));
    EXPECT_LT(table.find("2026-12-07 09:00:00"), table.find("2026-12-07 10:00:00"));

    ASSERT_EQ(Run({"--since", "2026-12-07 00:00", "--task", "1", "--json"}), kExitDone);
    EXPECT_EQ(out_.str(),
              "[\n  {\"time\": \"2026-12-07 10:00:00\", \"source\": \"tick\", \"task\": 1, "
              "\"schedule\": \"每天17时30分\", \"action\": \"打开文件\", \"param\": "
              "\"C:\\\\报表\\\\月报.xls\", \"outcome\": \"done\", \"detail\": null}\n]\n");
    // An error's text with quotes, backslashes and a tab stays one JSON string.
    ASSERT_EQ(Run({"--task", "2", "--json"}), kExitDone);
    EXPECT_NE(out_.str().find("\"detail\": \"路径 \\\"C:\\\\a\\\"\\u0009错\"}"), std::string::npos)
        << out_.str();

    // No history yet: nothing, and no failure.
    env_.files.clear();
    ASSERT_EQ(Run({"--json"}), kExitDone);
    EXPECT_EQ(out_.str(), "[]\n");
}

TEST_F(HistoryCli, WrongOptionValuesAreUsageErrors) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--since", "2026-12-07"}, {"--since", "2026-02-30 10:00"},
          {"--task", "0"}, {"--task", "01"}, {"--task", "x"}}) {
        EXPECT_EQ(Run(args), kExitUsage) << args[0] << " " << args[1];
        EXPECT_FALSE(err_.str().empty());
    }
    env_.folder.clear();  // a system without the folder
    EXPECT_EQ(Run({}), kExitFailed);
}

}  // namespace
}  // namespace vantrel
