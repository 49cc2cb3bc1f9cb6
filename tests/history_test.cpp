// The run history natively: the line format and its reader, the writer's
// decisions, the lines the tick's tasks leave, and vantrelctl history.
#include <gtest/gtest.h>

#include "scheduler/history_recorder.h"
#include "scheduler/tick.h"
#include "text/codepage.h"
#include "history/history.h"
#include "registry/memory_registry.h"
#include "store/task_record.h"
#include "tests/cli_test_env.h"

namespace vantrel {

void PrintTo(const HistoryEntry& e, std::ostream* os) {
    *os << e.time << "|" << e.source << "|" << e.task << "|" << e.action << "|" << e.outcome;
}

namespace {

HistoryEntry Sample() {
    return {"2026-12-07 17:30:05", kSourceTick, 3, "每天17时30分", "打开文件", "C:\\报表\\月报.xls",
            kOutcomeError, "系统找不到指定的文件。"};
}

// Every text comes back through a file, among what a crash or a copy may
// leave there: each of them could break a line or a column, or be read back
// wrong (a line broken in two or with a column too many is not read).
TEST(HistoryLine, EveryTextComesBackAndWhatIsNotAWholeLineIsSkipped) {
    std::vector<HistoryEntry> written;
    std::string file = HistoryFileStart();
    for (const char* text : {
             "tab\there",
             "two\nlines\r\n",
             "C:\\dir\\",                // backslashes, one at the end
             "C:\\temp\\new\\r.txt\\\\",  // escape-looking texts
             "\\\\server\\\\\\share",
             "a\\\tb\\\n",  // a backslash before a tab and a line feed
             "淺俓",         // GBK characters whose second byte is 0x5C
         }) {
        HistoryEntry e = Sample();
        e.parameter = e.detail = text;
        written.push_back(e);
        file += FormatHistoryLine(e);
    }
    const HistoryEntry start = {"2026-12-07 17:30:06", kSourceProgram, 0, "", kEventStart, "", "", ""};
    written.push_back(start);
    const std::string whole = FormatHistoryLine(Sample()), last = FormatHistoryLine(start);
    const std::string cut = whole.substr(0, whole.size() / 2);
    file += std::string(40, '\0') + "\n" +                // zeros a power cut left
            cut + "\n" +                                 // cut, then a line end
            "2026-13-45 99:99:99\tx\t\t\t\t\t\t\n" +     // no time
            last.substr(0, last.size() - 1) + "\r\n" +  // a copy with CRLF
            cut;                                        // being written
    EXPECT_EQ(ReadHistoryLines(file), written);

    // The file is UTF-8, and a path reads as it is: Notepad on any system
    // shows them as the program does.
    EXPECT_NE(whole.find(GbkToUtf8("每天17时30分\t打开文件\tC:\\报表\\月报.xls")), std::string::npos);
}

TEST(HistoryFileRules, RotationAndTheCutLine) {
    const std::uint64_t start = HistoryFileStart().size();
    struct Case {
        std::uint64_t size, line;
        bool rotate;
    } cases[] = {
        {start, 5000, false},      // only the header: a long line still goes in
        {900, 100, false},         // exactly at the limit
        {901, 100, true},          // one byte past it
    };
    for (const Case& c : cases)
        EXPECT_EQ(HistoryNeedsRotation(c.size, c.line, 1000), c.rotate) << c.size << "+" << c.line;

    EXPECT_EQ(CutLineBytes("a\tb\n"), 0u);
    EXPECT_EQ(CutLineBytes("a\tb\nhalf"), 4u);
    EXPECT_EQ(CutLineBytes(std::string("a\n\0\0\0", 5)), 3u);  // zeros a power cut left
    EXPECT_EQ(CutLineBytes("no line end"), 11u);
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
    bool StartCountdown(const std::string&, bool) override {
        h_.Executed(ActionOutcome{kOutcomeCountdown, ""});
        return true;
    }
    void SuspendTick() override {}
    void TaskFired(const FiredTask& t) override { h_.TaskFired(t); }

private:
    void Done() { h_.Executed(ActionOutcome::Done()); }
    HistoryRecorder& h_;
};

TEST(TickHistory, EachFiredTaskLeavesOneLineWithItsOutcome) {
    auto at = [](int second) {
        LocalTime t;
        t.year = 2026, t.month = 12, t.day = 7, t.dayOfWeek = 1;
        t.hour = 17, t.minute = 30, t.second = second;
        return t;
    };
    ListSink sink;
    HistoryRecorder recorder(sink, [&] { return at(6); });
    ReportingHost host(recorder);
    const char* const key = "\\Software\\Brelnix\\VantrelHistoryTest";
    MemoryRegistry reg;
    Settings settings;
    TickState state;
    const std::string due = "每天17时30分";
    const std::vector<TaskRecord> records = {
        {due, "提醒", "开会", "启用"},
        {due, "打开文件", "C:\\无\\a.txt", "启用"},
        {due, "提醒", "disabled", "禁用"},  // not fired: no line
        {due, "跳舞", "", "启用"},          // no action the program knows
        {due, "关闭程序", "C:\\Program Files\\x\\NOTEPAD.EXE", "启用"},
        {due, "提醒", "", "启用"},
        {due, "休眠计算机", "第1天7时0分唤醒", "启用"}};
    {
        OpenedKey opened(reg, key);
        for (const TaskRecord& r : records) {
            const int n = ++settings.taskCount;
            for (auto v : {std::make_pair('A', &r.schedule), std::make_pair('B', &r.action),
                           std::make_pair('C', &r.parameter), std::make_pair('D', &r.enabled)})
                reg.WriteString(RecordValueName(v.first, n), *v.second);
        }
        reg.WriteInteger("C6", 5);  // a parameter of the wrong type
    }
    RunTick(reg, key, at(5), MatchEnv(), settings, state, host);
    auto lines = [&] {  // time, source, task, schedule, action, parameter, outcome, detail
        std::vector<std::string> out;
        for (const HistoryEntry& e : sink.lines)
            out.push_back(e.time + "|" + e.source + "|" + std::to_string(e.task) + "|" + e.schedule +
                          "|" + e.action + "|" + e.parameter + "|" + e.outcome + "|" + e.detail);
        return out;
    };
    const std::string t = "2026-12-07 17:30:06|tick|";
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           t + "1|" + due + "|提醒|开会|done|",
                           t + "2|" + due + "|打开文件|C:\\无\\a.txt|error|找不到文件。",
                           t + "4|" + due + "|跳舞||error|不是可执行的任务",
                           // the whole parameter, not only the name the executor got
                           t + "5|" + due + "|关闭程序|C:\\Program Files\\x\\NOTEPAD.EXE|done|",
                           t + "6|" + due + "|提醒||error|Invalid data type for 'C6'",
                           t + "7|" + due + "|休眠计算机|第1天7时0分唤醒|countdown|",
                       }));

    // The countdown's end is a line of its own for the same task, once.
    sink.lines.clear();
    recorder.CountdownEnded(kOutcomeCancelled);
    recorder.CountdownEnded(kOutcomeCancelled);
    EXPECT_EQ(lines(), (std::vector<std::string>{t + "7|" + due + "|休眠计算机|第1天7时0分唤醒|cancelled|"}));
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
    static std::string Line(const std::string& time, int task) {
        HistoryEntry e = Sample();
        e.time = time;
        e.task = task;
        e.outcome = kOutcomeDone;
        e.detail = "";
        return FormatHistoryLine(e);
    }
    HistoryCliEnv env_;
    TextOut out_, err_;
};

TEST_F(HistoryCli, ReadsBothFilesInOrderAndFilters) {
    env_.files[env_.folder + "\\history.1.log"] = HistoryFileStart() + Line("2026-12-06 09:00:00", 1);
    env_.files[env_.folder + "\\history.log"] = HistoryFileStart() + Line("2026-12-07 07:59:59", 1) +
                                                Line("2026-12-07 08:00:00", 1) +
                                                Line("2026-12-07 08:00:30", 2);
    ASSERT_EQ(Run({}), kExitDone) << err_.str();
    const std::string table = out_.str();
    EXPECT_LT(table.find("2026-12-06 09:00:00"), table.find("2026-12-07 07:59:59"));
    EXPECT_LT(table.find("2026-12-07 07:59:59"), table.find("2026-12-07 08:00:30"));

    // From the minute's first second on, and one task's lines only.
    ASSERT_EQ(Run({"--since", "2026-12-07 08:00", "--task", "1", "--json"}), kExitDone);
    EXPECT_EQ(out_.str(),
              "[\n  {\"time\": \"2026-12-07 08:00:00\", \"source\": \"tick\", \"task\": 1, "
              "\"schedule\": \"每天17时30分\", \"action\": \"打开文件\", \"param\": "
              "\"C:\\\\报表\\\\月报.xls\", \"outcome\": \"done\", \"detail\": null}\n]\n");

    // Nothing matches: the table says so; --json stays an empty array.
    ASSERT_EQ(Run({"--task", "9"}), kExitDone);
    EXPECT_EQ(out_.str(), "没有符合条件的运行记录。\n");

    // No history yet: said, and no failure.
    env_.files.clear();
    ASSERT_EQ(Run({"--json"}), kExitDone);
    EXPECT_EQ(out_.str(), "[]\n");
    ASSERT_EQ(Run({}), kExitDone);
    EXPECT_EQ(out_.str(), "还没有运行记录。\n");
}

// Every line the program writes, through the table: its source, action and
// outcome columns hold Chinese words, never the file's English keywords,
// which --json keeps for scripts. The warning before a power task and the
// choice made from it have a source of their own.
TEST_F(HistoryCli, TheTableShowsChineseWordsWhereTheFileKeepsKeywords) {
    ListSink sink;
    LocalTime now;
    now.year = 2026, now.month = 12, now.day = 7, now.hour = 17, now.minute = 30;
    HistoryRecorder r(sink, [&] { return now; });
    const FiredTask task{3, "每天23时0分", "关闭计算机", "", ""};
    r.ProgramStarted("2.0.0", "10.0");
    r.MonitoringSwitched(kSourceMenu, false);
    r.MonitoringSwitched(kSourceMenu, true);
    r.TrayIconShown(false);
    r.PauseStarted("2026-12-07 18:30");
    r.PauseEnded(kSourceTimer);
    r.QuickTimerSet(kSourceMenu, "2026-12-07 18:00");
    r.QuickTimerSet(kSourceMenu, "");
    r.QuickTimerFired();
    r.CountdownEnded(kOutcomeActNow);
    r.TaskNote(task, kOutcomeWarning, "5分钟后将关机（每天23时0分）");
    r.TaskNote(task, kOutcomeSkipped, "2026-12-07 23:00");
    r.TaskNote(task, kOutcomePostponed, "2026-12-07 23:15");
    r.BusyWait("关机", "全屏程序");
    r.BusyWaitEnded("关机", "不再忙");
    r.PostponedFired("关机", "2026-12-07 23:15");
    r.CountdownEnded(kOutcomeCarriedOut);
    r.CountdownPostponed("关机", "2026-12-07 23:20");
    r.PendingMissed("关机", "2026-12-07 23:20", "已超过宽限");
    r.PendingReplaced("重启", "2026-12-07 23:30", "关机");
    r.StartupProblem("无法读取 dingshi");
    r.ValueProblem("无法删除 zanting");
    r.Command(kSourceHotkey, "关机", ActionOutcome::Error("拒绝访问。"));
    r.Command(kSourceMenu, "打开光驱", ActionOutcome{kOutcomeStarted, ""});
    r.MonitoringSwitched(kSourceCountdown, false);
    r.ProgramEnded();
    std::string file = HistoryFileStart();
    for (const HistoryEntry& e : sink.lines) file += FormatHistoryLine(e);
    env_.files[env_.folder + "\\history.log"] = file;

    ASSERT_EQ(Run({}), kExitDone) << err_.str();
    std::vector<std::string> rows;
    std::string table = out_.str();
    for (std::size_t at = 0, end; (end = table.find('\n', at)) != std::string::npos; at = end + 1)
        rows.push_back(table.substr(at, end - at));
    ASSERT_EQ(rows.size(), sink.lines.size() + 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::vector<std::string> cells;
        for (std::size_t at = 0;;) {
            const std::size_t tab = rows[i].find('\t', at);
            cells.push_back(rows[i].substr(at, tab == std::string::npos ? std::string::npos : tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        ASSERT_EQ(cells.size(), 8u) << rows[i];
        for (int column : {1, 4, 6}) {
            EXPECT_EQ(cells[column].find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos)
                << "column " << column << " of " << sink.lines[i - 1].source << "|"
                << sink.lines[i - 1].action << "|" << sink.lines[i - 1].outcome;
        }
    }
    // A few words by name: one keyword, two columns, two words.
    const struct {
        HistoryColumn column;
        const char *keyword, *word;
    } words[] = {
        {HistoryColumn::Source, "countdown", "倒计时"},   {HistoryColumn::Outcome, "countdown", "开始倒计时"},
        {HistoryColumn::Source, "balloon", "提前提醒"},   {HistoryColumn::Action, "monitoring off", "关闭监控"},
        {HistoryColumn::Outcome, "cancelled", "已取消"}, {HistoryColumn::Action, "关闭计算机", "关闭计算机"},
    };
    for (const auto& w : words) EXPECT_EQ(HistoryWord(w.column, w.keyword), w.word) << w.keyword;

    ASSERT_EQ(Run({"--task", "3", "--json"}), kExitDone);
    EXPECT_NE(out_.str().find("\"source\": \"balloon\", \"task\": 3"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("\"outcome\": \"warning\""), std::string::npos) << out_.str();
}

// Each text stays in its cell; the euro sign (0x80 in code page 936) shows.
TEST_F(HistoryCli, EveryTextStaysInItsCellAndTheEuroSignShows) {
    HistoryEntry e{"2026-12-07 17:30:05", "菜\t单", 3, "每天17时30分", "提醒", "x", "done\r\nx", "5\x80"};
    env_.files[env_.folder + "\\history.log"] = HistoryFileStart() + FormatHistoryLine(e);
    ASSERT_EQ(Run({}), kExitDone) << err_.str();
    EXPECT_EQ(out_.str().substr(out_.str().find('\n') + 1), "2026-12-07 17:30:05\t菜\\t单\t3\t每天17时30分\t提醒\tx\tdone\\r\\nx\t5\x80\n");
    ASSERT_EQ(Run({"--json"}), kExitDone);
    EXPECT_NE(out_.str().find("\"detail\": \"5\x80\"}"), std::string::npos) << out_.str();
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
