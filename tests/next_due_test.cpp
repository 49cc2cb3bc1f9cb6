// The next-run computation against the matching rules themselves: for each
// text and start minute, every answer is due and no earlier minute is; a
// task's next run is the first minute at which the tick fires it; and the
// settings list's text of it for each kind.
#include <gtest/gtest.h>

#include "scheduler/next_due.h"
#include "scheduler/time_text.h"
#include "registry/memory_registry.h"
#include "scheduler/conversions.h"
#include "scheduler/tick.h"
#include "store/schedule_text.h"
#include "tests/cli_test_env.h"

namespace vantrel {
namespace {

LocalTime At(const char* text) { return *ParseLocalTime(text, false); }

bool DueAt(const std::string& text, const LocalTime& t, const MatchEnv& env) {
    return MatchSchedule(KindFromWord(ScheduleKindOf(text)), t, text, env).due;
}

struct NextCase {
    const char* text;
    const char* format;
};

// Every kind with a clock time, fields at their edges, the weekday both
// ways, short months, the interval grid reaching back before its start,
// negative and odd periods, dates in three formats, and texts never due.
const NextCase kTexts[] = {
    {"每天8时5分", "yyyy/M/d"},        {"每天0时0分", "yyyy/M/d"},
    {"每天23时59分", "yyyy/M/d"},      {"每天08时05分", "yyyy/M/d"},
    {"每周7日8时0分", "yyyy/M/d"},     {"每周0日23时59分", "yyyy/M/d"},
    {"每周3日12时0分", "yyyy/M/d"},    {"每周07日8时0分", "yyyy/M/d"},
    {"每月31日9时0分", "yyyy/M/d"},    {"每月29日0时0分", "yyyy/M/d"},
    {"每月1日0时0分", "yyyy/M/d"},     {"每年2月29日9时0分", "yyyy/M/d"},
    {"每年3月1日0时0分", "yyyy/M/d"},  {"每年12月31日23时59分", "yyyy/M/d"},
    {"每隔45分开始8时0分", "yyyy/M/d"}, {"每隔1分开始0时0分", "yyyy/M/d"},
    {"每隔7分开始23时59分", "yyyy/M/d"}, {"每隔-90分开始1时0分", "yyyy/M/d"},
    {"每隔1441分开始0时5分", "yyyy/M/d"}, {"每隔30分开始100时7分", "yyyy/M/d"},
    {"一次2028/2/29日9时0分", "yyyy/M/d"}, {"一次2028-02-29日23时59分", "yyyy-MM-dd"},
    {"一次2/29日9时0分", "M/d"},        {"一次28/2/29日9时0分", "yy/M/d"},
    {"一次2026/12/31日23时59分", "yyyy/M/d"},
    {"每年2月30日9时0分", "yyyy/M/d"}, {"每天25时0分", "yyyy/M/d"},
    {"每隔0分开始8时0分", "yyyy/M/d"}, {"每天x时0分", "yyyy/M/d"},
    {"每日8时0分", "yyyy/M/d"},
};

// Start minutes: ordinary, due itself, a year's last minute, the eve of
// leap days, a month end.
const char* const kFroms[] = {"2026-12-07 09:30", "2026-12-31 23:59", "2028-02-27 23:59",
                              "2028-02-29 09:00", "2027-04-30 08:00"};

// Minutes walked one by one after each start.
constexpr long long kWindow = 9 * 1440;

TEST(NextDue, EveryAnswerIsDueAndNoEarlierMinuteIs) {
    for (const NextCase& c : kTexts) {
        MatchEnv env;
        env.shortDateFormat = c.format;
        for (const char* fromText : kFroms) {
            const LocalTime from = At(fromText);
            const NextDue next = NextDueTimes(c.text, from, 4, env);
            EXPECT_TRUE(next.words.empty()) << c.text;
            for (const LocalTime& t : next.times)
                EXPECT_TRUE(DueAt(c.text, t, env)) << c.text << " at " << FormatMinute(t);
            // Brute force over the window: the due minutes in it are exactly
            // the answers that fall in it, in order.
            std::vector<std::string> walked;
            for (long long m = 0; m < kWindow && walked.size() < 4; ++m) {
                const LocalTime t = AddMinutes(from, m);
                if (DueAt(c.text, t, env)) walked.push_back(FormatMinute(t));
            }
            std::vector<std::string> answered;
            const std::string end = FormatMinute(AddMinutes(from, kWindow));
            for (const LocalTime& t : next.times)
                if (FormatMinute(t) < end) answered.push_back(FormatMinute(t));
            EXPECT_EQ(answered, walked) << c.text << " from " << fromText;
        }
    }
}

TEST(NextDue, YearsApartAndNever) {
    MatchEnv env;
    const struct {
        const char* text;
        const char* from;
        std::vector<std::string> expected;
    } cases[] = {
        // Only leap years, and 2100 is none.
        {"每年2月29日8时0分", "2025-01-01 00:00", {"2028-02-29 08:00", "2032-02-29 08:00"}},
        {"每年2月29日8时0分", "2097-03-01 00:00", {"2104-02-29 08:00"}},
        {"每年2月29日8时0分", "2096-02-29 08:01", {"2104-02-29 08:00"}},
        // A one-off years ahead, and one just past.
        {"一次2033/6/1日7时0分", "2026-12-07 09:30", {"2033-06-01 07:00"}},
        {"一次2026/12/7日9时29分", "2026-12-07 09:30", {}},
        // Eight years ahead is the horizon.
        {"一次2034/12/7日9时29分", "2026-12-07 09:30", {"2034-12-07 09:29"}},
        {"一次2034/12/7日9时30分", "2026-12-07 09:30", {}},
        {"每年2月30日9时0分", "2026-12-07 09:30", {}},
        {"每月31日9时0分", "2027-04-01 00:00", {"2027-05-31 09:00", "2027-07-31 09:00"}},
        {"", "2026-12-07 09:30", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const LocalTime& t : NextDueTimes(c.text, At(c.from), 2, env).times) got.push_back(FormatMinute(t));
        EXPECT_EQ(got, c.expected) << c.text << " from " << c.from;
    }
}

TEST(NextDue, IdleAndStartUpHaveWordsInsteadOfTimes) {
    MatchEnv env;
    const struct {
        const char* text;
        const char* words;
    } cases[] = {
        {"空闲30分钟", "空闲30分钟后"},   {"空闲05分钟", "空闲5分钟后"},
        {"开机1时90分", "开机后1时90分"}, {"开机0时0分", "开机后0时0分"},
        {"空闲分钟", ""},                  {"空闲-1分钟", ""},
        {"开机-1时0分", ""},               {"开机2000时0分", ""},
    };
    for (const auto& c : cases) {
        const NextDue next = NextDueTimes(c.text, At("2026-12-07 09:30"), 3, env);
        EXPECT_EQ(next.words, c.words) << c.text;
        EXPECT_TRUE(next.times.empty()) << c.text;
    }
}

// A task's next run is the first minute at which the tick fires it: the
// tick, run minute by minute from the start over the task stored alone,
// first fires it there (walked up to it, within 40 days), and never within
// nine days for one that never runs.
class SilentHost : public TickHost {
    void ShowReminder(const std::string&) override {}
    void OpenTaskFile(const std::string&) override {}
    void CloseProgramByName(const std::string&) override {}
    void DialDefaultConnection() override {}
    void SetNetworkAdapter(const std::string&, bool) override {}
    void CleanSystemJunk(bool) override {}
    bool StartCountdown(const std::string&, bool) override { return true; }
    void SuspendTick() override {}
};

TEST(NextRun, IsTheFirstMinuteTheTickFiresTheTask) {
    const struct {
        const char *schedule, *enabled, *from;
    } cases[] = {
        {"每天23时0分", "启用", "2026-12-07 09:30"},    {"每天9时30分", "启用", "2026-12-07 09:30"},
        {"每天9时29分", "启用", "2026-12-07 09:30"},    {"每周7日8时0分", "启用", "2026-12-07 09:30"},
        {"每月31日0时0分", "启用", "2026-11-29 00:01"}, {"每年12月8日0时0分", "启用", "2026-12-07 09:30"},
        {"一次2026/12/8日7时5分", "启用", "2026-12-07 09:30"}, {"每隔45分开始8时0分", "启用", "2026-12-07 23:50"},
        {"每天23时0分", "禁用", "2026-12-07 09:30"},    {"每天23时0分", "启用 ", "2026-12-07 09:30"},
        {"每天25时0分", "启用", "2026-12-07 09:30"},    {"每日8时0分", "启用", "2026-12-07 09:30"},
        {"一次2026/12/7日9时29分", "启用", "2026-12-07 09:30"},
    };
    const char kKey[] = "\\Software\\Brelnix\\VantrelNextRunTest";
    for (const auto& c : cases) {
        MemoryRegistry reg;
        Settings settings;
        TaskStore(reg, kKey).AppendRecord(settings, TaskRecord{c.schedule, "提醒", "x", c.enabled});
        MatchEnv env;
        TickState state;
        SilentHost host;
        const NextRun next = NextRunOf(c.schedule, c.enabled, At(c.from), env);
        std::string fired = "never";
        const std::int64_t walk = next.kind != NextRun::Kind::At ? 9 * 1440
                                  : std::min<std::int64_t>(MinuteNumber(next.at) - MinuteNumber(At(c.from)) + 1, 40 * 1440);
        for (std::int64_t m = 0; m < walk && fired == "never"; ++m) {
            const LocalTime t = AddMinutes(At(c.from), m);
            if (!RunTick(reg, kKey, t, env, settings, state, host).fired.empty()) fired = FormatMinute(t);
        }
        EXPECT_EQ(next.kind == NextRun::Kind::At ? FormatMinute(next.at) : "never", fired)
            << c.schedule << " " << c.enabled << " from " << c.from;
    }
}

// The settings list's 下次运行 for each kind, on Monday 2026-12-07 09:30.
TEST(NextRun, TheListShowsTheMinuteOrWhenOrADash) {
    const struct {
        const char *schedule, *enabled, *text;
    } cases[] = {
        {"每天23时0分", "启用", "12-07 23:00"},         {"每周1日9时0分", "启用", "12-14 09:00"},
        {"每月7日9时30分", "启用", "12-07 09:30"},      {"每年1月5日8时0分", "启用", "2027-01-05 08:00"},
        {"一次2026/12/31日23时59分", "启用", "12-31 23:59"}, {"每隔45分开始8时0分", "启用", "12-07 09:30"},
        {"空闲30分钟", "启用", "空闲30分钟后"},         {"开机0时10分", "启用", "开机后0时10分"},
        {"一次2026/12/7日9时29分", "启用", "—"},        {"空闲分钟", "启用", "—"},
        {"开机0时10分", "禁用", "—"},                   {"每天23时0分", "", "—"},
    };
    const LocalTime now = At("2026-12-07 09:30");
    for (const auto& c : cases)
        EXPECT_EQ(NextRunText(NextRunOf(c.schedule, c.enabled, now, MatchEnv()), now), c.text) << c.schedule;
}

TEST(NextDue, TheCommandPrintsOneMinuteALine) {
    testing::TestEnv env;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{"next", "每周1日9时0分", "--from", "2026-12-07 09:00", "--count", "2"}, 0,
         "2026-12-07 09:00\n2026-12-14 09:00\n"},
        {{"next", "一次2026-12-25日8时0分", "--from", "2026-12-07 09:00", "--date-format", "yyyy-M-d"}, 0,
         "2026-12-25 08:00\n"},
        {{"next", "空闲10分钟", "--from", "2026-12-07 09:00"}, 0, "空闲10分钟后\n"},
        {{"next", "每年2月30日8时0分", "--from", "2026-12-07 09:00"}, 0, ""},
        {{"next", "每天8时0分", "--from", "2026-12-07"}, 2, ""},
        {{"next", "每天8时0分", "--from", "2026-02-30 08:00"}, 2, ""},
        {{"next", "每天8时0分", "--from", "2026-12-07 08:00", "--count", "0"}, 2, ""},
        {{"next", "每天8时0分", "--from", "2026-12-07 08:00", "--count", "x"}, 2, ""},
    };
    for (const auto& c : cases) {
        const testing::CliRun r = testing::Ctl(env, c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_EQ(r.out, c.out) << c.args[1];
    }
}

// Without --from the command counts from the clock's minute; a text no
// writer may store is refused with the check's reason rather than answered
// with nothing, which stays the answer for a valid text never due.
TEST(NextDue, TheCommandStartsNowAndRefusesWhatNoWriterStores) {
    testing::TestEnv env;  // its clock: 2026-12-07 09:30
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        const char* says;  // a phrase of the refusal
    } cases[] = {
        {{"next", "每天8时0分"}, 0, "2026-12-08 08:00\n", ""},
        {{"next", "每天9时30分", "--count", "2"}, 0, "2026-12-07 09:30\n2026-12-08 09:30\n", ""},
        {{"next", "每天25时0分"}, 2, "", "时 25 超出范围 0-23"},
        {{"next", "每隔60分钟"}, 2, "", "应写成 每隔N分开始H时M分，例如 每隔60分开始8时0分"},
        {{"next", "一次2026-12-25日8时0分"}, 2, "", "短日期格式"},
        {{"next", "每天8时0分以后", "--from", "2026-12-07 09:00"}, 2, "", "之后多了“以后”"},
    };
    for (const auto& c : cases) {
        const testing::CliRun r = testing::Ctl(env, c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[1];
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[1] << ": " << r.err;
    }
}

}  // namespace
}  // namespace vantrel
