#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli_test_env.h"

namespace vantrel {
namespace {

using testing::CliRun;

CliRun Check(std::vector<std::string> args, const std::string& format = "yyyy/M/d") {
    testing::TestEnv env;
    env.dateFormat = format;
    return testing::Ctl(env, args);
}

TEST(Vantrelctl, ReportsDueAndTheFieldsInTheRulesOrder) {
    // 2026-12-06 is a Sunday.
    CliRun r = Check({"check", "每周7日8时0分", "--at", "2026-12-06 08:00:30"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "due\nW=0\nH=8\nM=0\n");
    EXPECT_EQ(r.err, "");
    r = Check({"check", "每周7日8时0分", "--at", "2026-12-07 08:00"});
    EXPECT_EQ(r.out, "not due\nW=0\nH=8\nM=0\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Vantrelctl, WeekdayComesFromTheDate) {
    const char* days[] = {"每周0日9时0分", "每周1日9时0分", "每周2日9时0分", "每周3日9时0分",
                          "每周4日9时0分", "每周5日9时0分", "每周6日9时0分"};
    // 2024-02-25 was a Sunday; leap day in between.
    const char* dates[] = {"2024-02-25", "2024-02-26", "2024-02-27", "2024-02-28",
                           "2024-02-29", "2024-03-01", "2024-03-02"};
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j) {
            CliRun r = Check({"check", days[i], "--at", std::string(dates[j]) + " 09:00"});
            EXPECT_EQ(r.out.substr(0, r.out.find('\n')), i == j ? "due" : "not due")
                << days[i] << " " << dates[j];
        }
}

TEST(Vantrelctl, UptimeIdleAndDateFormatReachTheRules) {
    EXPECT_EQ(Check({"check", "开机0时5分", "--at", "2026-01-01 00:00", "--uptime", "359"}).out,
              "due\nH=0\nM=5\n");
    EXPECT_EQ(Check({"check", "开机0时5分", "--at", "2026-01-01 00:00", "--uptime", "360"}).out,
              "not due\nH=0\nM=5\n");
    EXPECT_EQ(Check({"check", "空闲10分钟", "--at", "2026-01-01 00:00", "--uptime", "100000",
                     "--idle", "600"})
                  .out,
              "due\nN=10\n");
    // Idle longer than the uptime: the tick count wrapped in between.
    EXPECT_EQ(Check({"check", "空闲10分钟", "--at", "2026-01-01 00:00", "--idle", "659"}).out,
              "due\nN=10\n");
    EXPECT_EQ(Check({"check", "一次2018-4-13日23时0分", "--at", "2018-04-13 23:00",
                     "--date-format", "yyyy-M-d"})
                  .out,
              "due\nD=2018-4-13\nH=23\nM=0\n");
    EXPECT_EQ(Check({"check", "一次2018-4-13日23时0分", "--at", "2018-04-13 23:00"}).out.substr(0, 7),
              "not due");
    EXPECT_EQ(Check({"check", "一次2018/4/13日23时0分", "--at", "2018-04-13 23:00"}, "yyyy/M/d").out,
              "due\nD=2018/4/13\nH=23\nM=0\n");
}

TEST(Vantrelctl, ATextWithoutKindPrintsOnlyNotDue) {
    for (const char* text : {"每", "", "hello", "每日8时0分"}) {
        CliRun r = Check({"check", text, "--at", "2026-01-01 08:00"});
        EXPECT_EQ(r.status, 0) << text;
        EXPECT_EQ(r.out, "not due\n") << text;
    }
}

TEST(Vantrelctl, UsageErrorsExitTwoWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"stat"},  // no such command (status is one)
        {"check", "每天8时0分"},
        {"check", "每天8时0分", "--at"},
        {"check", "每天8时0分", "--at", "2026-13-01 08:00"},
        {"check", "每天8时0分", "--at", "2026-02-30 08:00"},
        {"check", "每天8时0分", "--at", "2026-01-01 24:00"},
        {"check", "每天8时0分", "--at", "2026-01-01"},
        {"check", "每天8时0分", "--at", "2026-01-01 08:00", "--uptime", "-5"},
        {"check", "每天8时0分", "--at", "2026-01-01 08:00", "--idle", "x"},
        {"check", "每天8时0分", "--at", "2026-01-01 08:00", "--verbose", "1"},
        {"check", "--at", "2026-01-01 08:00"},
    };
    for (const auto& args : bad) {
        CliRun r = Check(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

}  // namespace
}  // namespace vantrel
