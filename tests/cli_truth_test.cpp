// What vantrelctl says is what happened and what the program goes by: a
// refused delete is an error, every setting has one range whichever writer
// stores it, a value shows as the program uses it, and a file is read in the
// encoding it was written in.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "actions/countdown_model.h"
#include "registry/file_registry.h"
#include "registry/reg_file.h"
#include "store/extra_settings.h"
#include "tests/cli_test_env.h"
#include "text/codepage.h"

namespace vantrel {
namespace {

using testing::CliRun;
using testing::Ctl;
using testing::TestEnv;

const char kKey[] = "\\Software\\Brelnix\\Vantrel";
const std::string kHead = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n";
const std::string kOneTask =
    "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"提醒\"\r\n\"C1\"=\"开会\"\r\n\"D1\"=\"启用\"\r\n";

std::string Dword(std::int32_t n) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(n));
    return hex;
}

// The registry refuses the next delete: the value stays, the command fails
// naming it, and what it guarded still holds.
TEST(CliTruth, ARefusedDeleteIsAnErrorThatNamesTheValue) {
    const struct {
        std::vector<std::string> arm, off, check;
        const char* value;
        int checkStatus;
    } cases[] = {
        {{"timer", "30m"}, {"timer", "off"}, {"timer", "status"}, "dingshi", 0},
        {{"autostart", "on", "--program", "C:\\V\\Vantrel.exe"},
         {"autostart", "off", "--program", "C:\\V\\Vantrel.exe"},
         {"autostart", "status", "--program", "C:\\V\\Vantrel.exe"}, "Derera", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TestEnv env;
        ASSERT_EQ(Ctl(env, c.arm).status, 0);
        env.refusal.from = env.refusal.seen + 1;
        const CliRun r = Ctl(env, c.off);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.value), std::string::npos) << r.err;
        env.refusal.from = 0;
        EXPECT_EQ(Ctl(env, c.check).status, c.checkStatus);
    }
}

// Import takes a setting exactly when vantrelctl settings would set it, at
// and beyond both ends of every range: one check, whichever writer.
TEST(CliTruth, ImportAndSettingsAcceptTheSameValueOfEverySetting) {
    for (const SettingEntry& s : AllSettings()) {
        if (s.text) continue;
        for (const std::int64_t wide : {static_cast<std::int64_t>(s.minimum) - 1, static_cast<std::int64_t>(s.minimum),
                                        static_cast<std::int64_t>(s.maximum), static_cast<std::int64_t>(s.maximum) + 1,
                                        static_cast<std::int64_t>(INT32_MAX)}) {
            const std::int32_t v = static_cast<std::int32_t>(wide);
            SCOPED_TRACE(std::string(s.name) + "=" + std::to_string(v));
            TestEnv env;
            env.files["in.reg"] = kHead + kOneTask + "\"" + s.name + "\"=dword:" + Dword(v) + "\r\n";
            env.files["a.reg"] = kHead + kOneTask;
            const int set = Ctl(env, {"settings", s.name, std::to_string(v), "--file", "a.reg"}).status;
            const CliRun imported = Ctl(env, {"import", "in.reg", "--file", "b.reg"});
            EXPECT_EQ(imported.status == 0, set == 0) << imported.err;
            if (imported.status != 0) EXPECT_EQ(env.files.count("b.reg"), 0u);
        }
    }
}

// A stored value out of range shows as the running program takes it (the
// copy start-up loads, the countdown's own length), and says it is out of
// range; a value in range shows as it is.
TEST(CliTruth, SettingsShowsTheValueTheProgramGoesBy) {
    for (const SettingEntry& s : AllSettings()) {
        if (s.text) continue;
        for (const std::int32_t stored : {s.minimum - 1, s.maximum + 1, INT32_MAX, s.maximum}) {
            SCOPED_TRACE(std::string(s.name) + "=" + std::to_string(stored));
            TestEnv env;
            env.files["t.reg"] = kHead + kOneTask + "\"" + s.name + "\"=dword:" + Dword(stored) + "\r\n";
            // What the program goes by, from the program's own code.
            RegFileParse parsed = ParseRegFile(env.files["t.reg"]);
            FileRegistry reg(parsed.file, false);
            TaskStore store(reg, kKey);
            Settings copies;
            const StartupResult loaded = store.StartupLoad(copies);
            std::int32_t inEffect = stored;
            if (const ExtraSetting* e = FindExtraSetting(s.name)) inEffect = copies.*(e->copy);
            if (std::string(s.name) == kValCountdown) {
                CountdownModel countdown;
                countdown.SetLength(copies.countdownLength);
                inEffect = countdown.length();
            }
            if (std::string(s.name) == kValGreeting) inEffect = loaded.greeting ? 1 : 0;
            if (std::string(s.name) == kValCloseAll) inEffect = copies.closeAll == 1 ? 1 : 0;
            if (std::string(s.name) == kValCtrlHotkeys) inEffect = copies.ctrlFlag != 0 ? 1 : 0;

            const CliRun r = Ctl(env, {"settings", "--file", "t.reg"});
            ASSERT_EQ(r.status, 0) << r.err;
            // A switch shows as 开 or 关.
            const std::string shown = IsSwitch(s) ? (inEffect ? "开" : "关") : std::to_string(inEffect) + s.unit;
            const std::string row = std::string(s.name) + "\t" + s.label + "\t" + shown;
            const std::size_t at = r.out.find("\n" + row);
            ASSERT_NE(at, std::string::npos) << r.out;
            const std::string rest = r.out.substr(at + 1 + row.size(), r.out.find('\n', at + 1) - at - 1 - row.size());
            const bool outOfRange = stored < s.minimum || stored > s.maximum;
            EXPECT_EQ(rest.find("存储的值 " + std::to_string(stored) + " 不在") != std::string::npos, outOfRange) << rest;
        }
    }
}

// The values of this machine's moment (pause, quick timer, postponed) are
// left out of an export in any letter case; so are values above TaskNum,
// and the file the export writes imports.
TEST(CliTruth, ExportCarriesOnlyTheTaskListAndItsSettings) {
    TestEnv env;
    env.files["t.reg"] = kHead + kOneTask + "\"DingShi\"=\"2026-12-07 10:00\"\r\n\"ZANTING\"=\"2026-12-07 11:00\"\r\n" +
                         "\"Tuichi\"=\"2026-12-07 09:50 关机\"\r\n\"A2\"=\"每天9时0分\"\r\n\"tishi\"=dword:0000001e\r\n";
    const CliRun r = Ctl(env, {"export", "--file", "t.reg"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* gone : {"DingShi", "ZANTING", "Tuichi", "\"A2\""})
        EXPECT_EQ(r.out.find(gone), std::string::npos) << gone;
    EXPECT_NE(r.err.find("A2"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"tishi\""), std::string::npos);
    env.files["out.reg"] = r.out;
    const CliRun back = Ctl(env, {"import", "out.reg", "--file", "new.reg"});
    EXPECT_EQ(back.status, 0) << back.err;
}

// A quick timer whose minute has passed is void, as the program drops it;
// the current minute still stands.
TEST(CliTruth, TimerStatusCallsAPastMinuteVoid) {
    const struct {
        const char* stored;
        int status;
        const char* out;
    } cases[] = {
        {"2001-01-01 10:00", 3, "未定时\n"},
        {"2026-12-07 09:29", 3, "未定时\n"},
        {"2026-12-07 09:30", 0, "定时关机 2026-12-07 09:30\n"},
        {"2026-12-08 00:00", 0, "定时关机 2026-12-08 00:00\n"},
    };
    for (const auto& c : cases) {
        TestEnv env;  // 2026-12-07 09:30
        env.files["t.reg"] = kHead + kOneTask + "\"dingshi\"=\"" + c.stored + "\"\r\n";
        const CliRun r = Ctl(env, {"timer", "status", "--file", "t.reg"});
        EXPECT_EQ(r.status, c.status) << c.stored;
        EXPECT_EQ(r.out, c.out) << c.stored;
    }
}

// A history file named on the command line must exist; lines that are no
// entry are counted.
TEST(CliTruth, HistoryOfAMissingFileFailsAndSkippedLinesAreCounted) {
    TestEnv env;
    CliRun r = Ctl(env, {"history", "--file", "/nonexistent/history.log"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/nonexistent/history.log"), std::string::npos);
    env.files["h.log"] = "time\tsource\ttask\tschedule\taction\tparameter\toutcome\tdetail\n"
                         "2026-12-07 08:00:00\ttick\t1\t每天8时0分\t提醒\t开会\tdone\t\n"
                         "garbage\n\n"
                         "2026-12-07 08:00\tnot a line\n"
                         "2026-12-07 08:01:00\ttick\t1\t每天8时0分\t提醒\t开会\tdone\t\n"
                         "cut short";
    env.files["h.log"] = "\xEF\xBB\xBF" + GbkToUtf8(env.files["h.log"]);
    r = Ctl(env, {"history", "--file", "h.log", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("08:01:00"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("跳过了 2 行"), std::string::npos) << r.err;
}

// A UTF-8 file without a byte-order mark (what export --utf8 > file writes)
// is read as UTF-8 and stays UTF-8 when a command writes it back.
TEST(CliTruth, AUtf8FileWithoutAMarkIsReadAndWrittenAsUtf8) {
    TestEnv env;
    env.files["t.reg"] = GbkToUtf8(kHead + kOneTask);
    CliRun r = Ctl(env, {"list", "--file", "t.reg"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("开会"), std::string::npos) << r.out;
    r = Ctl(env, {"add", "--schedule", "每天9时0分", "--action", "提醒", "--param", "午饭", "--file", "t.reg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string written = env.files["t.reg"];
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(written)), written) << "not UTF-8 throughout";
    EXPECT_NE(written.find(GbkToUtf8("午饭")), std::string::npos);
    EXPECT_NE(written.find(GbkToUtf8("开会")), std::string::npos);

    env.files["out.reg"] = GbkToUtf8(Ctl(env, {"export", "--file", "t.reg"}).out);
    r = Ctl(env, {"import", "out.reg", "--file", "back.reg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Ctl(env, {"list", "--file", "back.reg"}).out.find("午饭"), std::string::npos);
}

// One table of exit statuses: every refusal of the caller's input is 2 and
// writes nothing, every failure of the system 1; a number with a leading zero
// is refused the same way wherever a number is given.
TEST(CliTruth, EveryRefusalOfTheInputExits2AndEveryFailureOfTheSystem1) {
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"add", "--schedule", "每天25时0分", "--action", "提醒", "--param", "x"}, 2},
        {{"add", "--schedule", "每天8时0分", "--action", "关机吧"}, 2},
        {{"add", "--schedule", "每天8时0分", "--action", "提醒"}, 2},
        {{"import", "bad.reg"}, 2},
        {{"import", "missing.reg"}, 1},
        {{"list", "--file", "bad.reg"}, 2},
        {{"list", "--file", "missing.reg"}, 1},
        {{"delete", "9"}, 2},
        {{"delete", "01"}, 2},
        {{"enable", "x"}, 2},
        {{"timer", "030m"}, 2},
        {{"timer", "30"}, 2},
        {{"settings", "tiqian", "0010"}, 2},
        {{"settings", "tiqian", "99999"}, 2},
        {{"settings", "nosuch", "1"}, 2},
        {{"history", "--task", "01"}, 2},
        {{"export", "t.reg", "--file", "t.reg"}, 2},
        {{"frobnicate"}, 2},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.files["t.reg"] = kHead + kOneTask;
        env.files["bad.reg"] = kHead + "\"A1\"=\"unterminated\r\n";
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--file") == args.end() && args[0] != "history") {
            args.push_back("--file");
            args.push_back("t.reg");
        }
        const std::map<std::string, std::string> before = env.files;
        const CliRun r = Ctl(env, args);
        std::string line;
        for (const std::string& a : args) line += a + " ";
        EXPECT_EQ(r.status, c.status) << line << r.err;
        EXPECT_EQ(env.files, before) << line;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    // Without the leading zero the same numbers are taken.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"settings", "tiqian", "10"}, {"timer", "30m"}, {"delete", "1"}}) {
        TestEnv env;
        env.files["t.reg"] = kHead + kOneTask;
        std::vector<std::string> line = args;
        line.insert(line.end(), {"--file", "t.reg"});
        EXPECT_EQ(Ctl(env, line).status, 0) << args[0];
    }
}

}  // namespace
}  // namespace vantrel
