// Every vantrelctl command and its errors, natively, through --file (and
// the in-memory registry where the command works on the registry).
#include <gtest/gtest.h>

#include <algorithm>

#include "text/codepage.h"
#include "registry/file_registry.h"
#include "registry/reg_file.h"
#include "store/extra_settings.h"
#include "tests/cli_test_env.h"
#include "tests/schedule_text_cases.h"

namespace vantrel {
namespace {

using testing::CliRun;
using testing::Ctl;
using testing::TestEnv;

const char kFile[] = "任务.reg";
const char kKey[] = "\\Software\\Brelnix\\Vantrel";

// The values of the program key in `file`, in file order, as name=text
// (integers in decimal).
std::vector<std::string> Values(TestEnv& env, const std::string& file = kFile) {
    std::vector<std::string> out;
    auto it = env.files.find(file);
    if (it == env.files.end()) return out;
    RegFileParse parsed = ParseRegFile(it->second);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    FileRegistry reg(parsed.file, false);
    if (!reg.OpenKey(kKey, false)) return out;
    for (const std::string& name : reg.ValueNames())
        out.push_back(name + "=" +
                      (reg.TypeOf(name) == ValueType::DWord ? std::to_string(reg.ReadInteger(name))
                                                            : reg.ReadString(name)));
    return out;
}

CliRun Add(TestEnv& env, const char* schedule, const char* action, const char* param = nullptr) {
    std::vector<std::string> args = {"add", "--schedule", schedule, "--action", action, "--file", kFile};
    if (param) {
        args.push_back("--param");
        args.push_back(param);
    }
    return Ctl(env, args);
}

// A file of four tasks, as four adds make it.
void FourTasks(TestEnv& env) {
    ASSERT_EQ(Add(env, "每天8时0分", "提醒", "早上好").status, 0);
    ASSERT_EQ(Add(env, "每周1日9时0分", "关闭计算机").status, 0);
    ASSERT_EQ(Add(env, "空闲30分钟", "休眠计算机", "第2天7时30分唤醒").status, 0);
    ASSERT_EQ(Add(env, "每年2月29日12时0分", "禁用网卡", "本地连接").status, 0);
}

TEST(CliAdd, WritesTheRecordWithItsEnabledStateThenTheCount) {
    TestEnv env;
    CliRun r = Add(env, "每天17时30分", "关闭计算机");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "已添加第 1 条任务\n");
    EXPECT_EQ(Values(env), (std::vector<std::string>{"A1=每天17时30分", "B1=关闭计算机", "C1=", "D1=启用",
                                                     "TaskNum=1"}));
    r = Ctl(env, {"add", "--disabled", "--schedule", "空闲10分钟", "--file", kFile, "--action", "休眠计算机"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Values(env), (std::vector<std::string>{"A1=每天17时30分", "B1=关闭计算机", "C1=", "D1=启用",
                                                     "TaskNum=2", "A2=空闲10分钟", "B2=休眠计算机", "C2=不唤醒",
                                                     "D2=禁用"}));
    // A new file holds no settings: importing it elsewhere leaves theirs.
    EXPECT_EQ(env.files[kFile].find("tishi"), std::string::npos);
}

TEST(CliAdd, AcceptsWhatTheEditorWrites) {
    const struct {
        const char* schedule;
        const char* action;
        const char* param;
    } good[] = {
        {"空闲1分钟", "提醒", "x"},           {"一次2026/12/25日8时0分", "打开文件", "C:\\a.txt"},
        {"每天0时0分", "关闭程序", "a.exe"},  {"每天23时59分", "断开拨号", nullptr},
        {"每周0日8时0分", "拨号连接", nullptr}, {"每周7日8时0分", "注销计算机", nullptr},
        {"每月31日9时0分", "待机计算机", nullptr}, {"每年2月29日9时0分", "重启计算机", nullptr},
        {"每年2月30日9时0分", "快速重启", nullptr}, {"开机0时0分", "快速关机", nullptr},
        {"开机1时90分", "清理系统垃圾", nullptr}, {"每隔45分开始8时0分", "启用网卡", "以太网"},
        {"每隔1分开始0时0分", "休眠计算机", "不唤醒"}, {"每天8时0分", "休眠计算机", "第9天0时59分唤醒"},
        {"每天8时0分", "休眠计算机", ""},
    };
    for (const auto& g : good) {
        TestEnv env;
        const CliRun r = Add(env, g.schedule, g.action, g.param);
        EXPECT_EQ(r.status, 0) << g.schedule << " " << g.action << ": " << r.err;
    }
}

TEST(CliAdd, RefusesWithOneLineAndWritesNothing) {
    const struct {
        const char* schedule;
        const char* action;
        const char* param;
        const char* says;
    } bad[] = {
        {"每天8时0分", "关机", nullptr, "不是以下之一"},
        {"每天8时0分", "提醒", nullptr, "需要属性"},
        {"每天8时0分", "提醒", "", "需要属性"},
        {"每天8时0分", "关闭计算机", "x", "不带属性"},
        {"每天8时0分", "禁用网卡", nullptr, "网卡名"},
        {"每天8时0分", "禁用网卡", "本地\"连接", "netsh"},
        {"每天8时0分", "启用网卡", "%PATH%", "netsh"},
        {"每天8时0分", "休眠计算机", "第10天7时0分唤醒", "第N天"},
        {"每天8时0分", "休眠计算机", "第2天07时0分唤醒", "第N天"},
        {"每天8时0分", "休眠计算机", "第2天24时0分唤醒", "第N天"},
        {"每天8时0分", "休眠计算机", "第2天", "第N天"},
    };
    for (const auto& b : bad) {
        TestEnv env;
        const CliRun r = Add(env, b.schedule, b.action, b.param);
        EXPECT_EQ(r.status, 2) << b.schedule << " " << b.action;
        EXPECT_NE(r.err.find(b.says), std::string::npos) << b.schedule << " " << b.action << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(env.files.count(kFile), 0u) << b.schedule;
    }
}

// add and import take exactly the schedule texts the task editor can store
// (the table the editor's tests share): one refused task makes an import
// write nothing, so each must be right.
TEST(CliAdd, AddAndImportTakeWhatTheEditorCanStore) {
    for (const testing::ScheduleTextCase& c : testing::ScheduleTextCases()) {
        TestEnv env;
        const CliRun r = Add(env, c.text, "关闭计算机");
        EXPECT_EQ(r.status, c.stored ? 0 : 2) << c.text << ": " << r.err;
        if (!c.stored) {
            EXPECT_NE(r.err.find(c.says), std::string::npos) << c.text << ": " << r.err;
        }

        env.files["in.reg"] = std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n") +
                              "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"" + c.text +
                              "\"\r\n\"B1\"=\"关闭计算机\"\r\n\"C1\"=\"\"\r\n\"D1\"=\"启用\"\r\n";
        const CliRun in = Ctl(env, {"import", "in.reg", "--file", "imported.reg"});
        // An empty schedule text is a record the window does not list: not imported, not refused.
        if (*c.text == '\0') continue;
        EXPECT_EQ(in.status, c.stored ? 0 : 2) << c.text << ": " << in.err;
    }
}

TEST(CliUsage, MistakesExitTwoWithOneLineAndTouchNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"stat"},  // no such command (status is one)
        {"list", "extra"},
        {"list", "--jsn"},
        {"list", "--json", "--json"},
        {"add", "--action", "提醒", "--param", "x"},
        {"add", "--schedule", "每天8时0分"},
        {"add", "--schedule"},
        {"delete"},
        {"delete", "abc"},
        {"delete", "0"},
        {"delete", "02"},
        {"enable", "1", "2"},
        {"disable", "-1"},
        {"export", "a.reg", "b.reg"},
        {"import"},
        {"import", "a.reg", "--replace", "--replace"},
        {"next", "每天25时0分"},
        {"next", "每隔60分钟"},
        {"list", "--file"},
        {"list", "--file", "a.reg", "--file", "b.reg"},
        {"check", "每天8时0分", "--at", "2026-01-01 08:00", "--json"},
        // Values of the wrong form, whatever the command.
        {"delete", "1.0"},
        {"next", "每天8时0分", "--from", "2026-13-01 08:00"},
        {"check", "每天8时0分"},
        {"check", "每天8时0分", "--at", "2026-01-01"},
        {"check", "每天8时0分", "--at", "2026-01-01 08:00", "--idle", "-5"},
        {"timer"},
        {"timer", "30"},
        {"timer", "0m"},
        {"timer", "030m"},
        {"timer", "169h"},
        {"timer", "30s"},
    };
    for (const auto& args : bad) {
        TestEnv env;
        FourTasks(env);
        const std::string before = env.files[kFile];
        std::vector<std::string> withFile = args;
        if (std::find(args.begin(), args.end(), "--file") == args.end()) {
            withFile.push_back("--file");
            withFile.push_back(kFile);
        }
        const CliRun r = Ctl(env, withFile);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]) << " " << r.err;
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        // In Chinese like every message: some byte above ASCII.
        EXPECT_NE(std::find_if(r.err.begin(), r.err.end(), [](char c) { return c & 0x80; }), r.err.end()) << r.err;
        EXPECT_EQ(env.files[kFile], before);
    }
}

TEST(CliHelp, EveryCommandExplainsItselfWithAnExample) {
    TestEnv env;
    CliRun r = Ctl(env, {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"list", "add", "delete", "enable", "disable", "export", "import", "next", "check",
                             "--file", "--utf8", "每 6 秒", "regedit /s", "需要管理员权限"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    for (const char* command :
         {"list", "add", "delete", "enable", "disable", "export", "import", "next", "check", "timer"}) {
        r = Ctl(env, {command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("vantrelctl ") + command), std::string::npos) << command;
        EXPECT_NE(r.out.find("例: vantrelctl " + std::string(command)), std::string::npos) << command;
    }
}

TEST(CliChange, DeleteEnableAndDisableActOnTheListedRecord) {
    TestEnv env;
    FourTasks(env);
    CliRun r = Ctl(env, {"delete", "2", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Values(env), (std::vector<std::string>{
                               "A1=每天8时0分", "B1=提醒", "C1=早上好", "D1=启用", "TaskNum=3",
                               "A2=空闲30分钟", "B2=休眠计算机", "C2=第2天7时30分唤醒", "D2=启用",
                               "A3=每年2月29日12时0分", "B3=禁用网卡", "C3=本地连接", "D3=启用"}));
    EXPECT_EQ(Ctl(env, {"disable", "3", "--file", kFile}).status, 0);
    EXPECT_EQ(Values(env)[12], "D3=禁用");
    EXPECT_EQ(Ctl(env, {"enable", "3", "--file", kFile}).status, 0);
    EXPECT_EQ(Values(env)[12], "D3=启用");

    // Numbers the settings window does not list: beyond the count, and a
    // record without a schedule text.
    RegFileParse parsed = ParseRegFile(env.files[kFile]);
    FileRegistry reg(parsed.file, false);
    reg.OpenKey(kKey, false);
    reg.WriteString("A2", "");
    env.files[kFile] = WriteRegFile(parsed.file);
    const std::string before = env.files[kFile];
    for (const char* command : {"delete", "enable", "disable"})
        for (const char* n : {"2", "4", "99999999999"}) {
            r = Ctl(env, {command, n, "--file", kFile});
            EXPECT_NE(r.status, 0) << command << " " << n;
            EXPECT_EQ(env.files[kFile], before) << command << " " << n;
        }
}

TEST(CliList, ShowsTheWindowsRowsWithNextRunsAndErrors) {
    TestEnv env;  // 2026-12-07 09:30, a Monday
    FourTasks(env);
    ASSERT_EQ(Ctl(env, {"disable", "2", "--file", kFile}).status, 0);
    // A record whose action cannot be read is listed with the error; one
    // without a schedule text is not listed.
    RegFileParse parsed = ParseRegFile(env.files[kFile]);
    FileRegistry reg(parsed.file, false);
    reg.OpenKey(kKey, false);
    reg.WriteInteger("TaskNum", 6);
    reg.WriteString("A5", "每天10时0分");
    reg.WriteInteger("B5", 7);
    reg.WriteString("D5", "启用");
    reg.WriteString("A6", "");
    env.files[kFile] = WriteRegFile(parsed.file);

    CliRun r = Ctl(env, {"list", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "序号\t时间\t任务\t任务属性\t是否启用\t下次运行\n"
              "1\t每天8时0分\t提醒\t早上好\t启用\t12-08 08:00\n"
              "2\t每周1日9时0分\t关闭计算机\t\t禁用\t—\n"
              "3\t空闲30分钟\t休眠计算机\t第2天7时30分唤醒\t启用\t空闲30分钟后\n"
              "4\t每年2月29日12时0分\t禁用网卡\t本地连接\t启用\t2028-02-29 12:00\n"
              "5\t每天10时0分\t\t\t启用\t错误: 值 B5 的类型不对\n");

    r = Ctl(env, {"list", "--json", "--file", kFile});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "[\n"
              "  {\"n\": 1, \"schedule\": \"每天8时0分\", \"action\": \"提醒\", \"param\": \"早上好\", "
              "\"enabled\": \"启用\", \"next\": \"2026-12-08 08:00\", \"error\": null},\n"
              "  {\"n\": 2, \"schedule\": \"每周1日9时0分\", \"action\": \"关闭计算机\", \"param\": \"\", "
              "\"enabled\": \"禁用\", \"next\": null, \"error\": null},\n"
              "  {\"n\": 3, \"schedule\": \"空闲30分钟\", \"action\": \"休眠计算机\", \"param\": \"第2天7时30分唤醒\", "
              "\"enabled\": \"启用\", \"next\": \"空闲30分钟后\", \"error\": null},\n"
              "  {\"n\": 4, \"schedule\": \"每年2月29日12时0分\", \"action\": \"禁用网卡\", \"param\": \"本地连接\", "
              "\"enabled\": \"启用\", \"next\": \"2028-02-29 12:00\", \"error\": null},\n"
              "  {\"n\": 5, \"schedule\": \"每天10时0分\", \"action\": \"\", \"param\": \"\", "
              "\"enabled\": \"启用\", \"next\": null, \"error\": \"值 B5 的类型不对\"}\n"
              "]\n");
}

TEST(CliList, JsonEscapesQuotesAndBackslashesButNoGbkTrailByte) {
    TestEnv env;
    ASSERT_EQ(Add(env, "每天8时0分", "提醒", "嘰\"圽\\\t").status, 0);
    const CliRun r = Ctl(env, {"list", "--json", "--file", kFile});
    EXPECT_NE(r.out.find("\"param\": \"嘰\\\"圽\\\\\\u0009\""), std::string::npos) << r.out;
    EXPECT_TRUE(WantsUtf8Output({"list", "--json"}));
    EXPECT_FALSE(WantsUtf8Output({"list"}));
    EXPECT_TRUE(WantsUtf8Output({"list", "--utf8"}));
}

TEST(CliFiles, AMissingOrUnwritableFileIsAnErrorAndAddCreatesOne) {
    TestEnv env;
    for (const char* command : {"list", "export", "delete"}) {
        std::vector<std::string> args = {command, "--file", "无.reg"};
        if (std::string(command) == "delete") args.push_back("1");
        const CliRun r = Ctl(env, args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("无.reg"), std::string::npos) << r.err;
    }
    env.files["坏.reg"] = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n\"A1\"=\"x\r\n";
    CliRun r = Ctl(env, {"list", "--file", "坏.reg"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("第 3 行"), std::string::npos) << r.err;
    FourTasks(env);
    env.readOnlyFiles.insert(kFile);
    const std::string before = env.files[kFile];
    r = Add(env, "每天8时0分", "关闭计算机");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    EXPECT_EQ(env.files[kFile], before);
}

// The quick timer: a whole number of minutes on (a begun minute counts from
// its end), the next replacing it, shown by status, cleared by off; the
// task list stays as it was, and export leaves the timer out.
TEST(CliTimer, ArmsReplacesShowsAndCancelsWithoutATask) {
    TestEnv env;
    FourTasks(env);
    const std::vector<std::string> tasks = Values(env);
    const struct {
        const char* what;
        int status;
        const char* out;
    } steps[] = {
        {"status", 3, "未定时\n"},          {"30m", 0, "定时关机 2026-12-07 10:00\n"},
        {"2h", 0, "定时关机 2026-12-07 11:30\n"}, {"status", 0, "定时关机 2026-12-07 11:30\n"},
        {"off", 0, "已取消定时关机\n"},      {"status", 3, "未定时\n"},
    };
    for (const auto& step : steps) {
        const CliRun r = Ctl(env, {"timer", step.what, "--file", kFile});
        EXPECT_EQ(r.status, step.status) << step.what << " " << r.err;
        EXPECT_EQ(r.out, step.out) << step.what;
    }
    EXPECT_EQ(Values(env), tasks);
    env.now.second = 20;
    EXPECT_EQ(Ctl(env, {"timer", "15m", "--file", kFile}).out, "定时关机 2026-12-07 09:46\n");
    EXPECT_EQ(Values(env).back(), "dingshi=2026-12-07 09:46");
    EXPECT_EQ(Ctl(env, {"export", "--file", kFile}).out.find("dingshi"), std::string::npos);
    env.files[kFile] = Ctl(env, {"export", "--file", kFile}).out + "\"tuichi\"=\"2026-12-07 09:50 关机\"\r\n";
    const std::string exported = Ctl(env, {"export", "--file", kFile}).out;
    EXPECT_NE(exported.find("TaskNum"), std::string::npos);
    EXPECT_EQ(exported.find("tuichi"), std::string::npos);
}

TEST(CliExportImport, AFileRoundTripsToAnotherMachine) {
    TestEnv one;
    FourTasks(one);
    ASSERT_EQ(Ctl(one, {"disable", "2", "--file", kFile}).status, 0);
    // On a 64-bit Windows the exported key is the one a 32-bit program sees.
    one.wow64 = true;
    CliRun r = Ctl(one, {"export", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel]\r\n"
                          "\"TaskNum\"=dword:00000004\r\n",
                          0),
              0u)
        << r.out;
    EXPECT_EQ(Ctl(one, {"export", "导出.reg", "--file", kFile}).status, 0);
    EXPECT_EQ(one.files["导出.reg"], r.out);

    // Another machine: two tasks and its own settings already.
    TestEnv two;
    two.files["导出.reg"] = r.out;
    ASSERT_EQ(Add(two, "每天6时0分", "提醒", "起床").status, 0);
    r = Ctl(two, {"import", "导出.reg", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "已导入 4 条任务\n");
    std::vector<std::string> v = Values(two);
    ASSERT_EQ(v.size(), 21u);
    EXPECT_EQ(v[4], "TaskNum=5");
    EXPECT_EQ(v[5], "A2=每天8时0分");
    EXPECT_EQ(v[12], "D3=禁用");
    EXPECT_EQ(v[17], "A5=每年2月29日12时0分");

    r = Ctl(two, {"import", "导出.reg", "--replace", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> replaced = Values(two), original = Values(one);
    std::sort(replaced.begin(), replaced.end());
    std::sort(original.begin(), original.end());
    EXPECT_EQ(replaced, original);
}

TEST(CliExportImport, SettingsComeAlongWhenTheFileHasThem) {
    TestEnv env;
    env.files["设置.reg"] =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Brelnix\\Vantrel]\r\n"
        "\"tishi\"=dword:0000001e\r\n\"soundpath\"=\"C:\\\\响.wav\"\r\n\"rejian\"=dword:00000001\r\n"
        "\"TaskNum\"=dword:00000000\r\n";
    ASSERT_EQ(Add(env, "每天6时0分", "关闭计算机").status, 0);
    const CliRun r = Ctl(env, {"import", "设置.reg", "--file", kFile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "已导入 0 条任务和设置\n");
    EXPECT_EQ(Values(env), (std::vector<std::string>{"A1=每天6时0分", "B1=关闭计算机", "C1=", "D1=启用",
                                                     "TaskNum=1", "tishi=30", "soundpath=C:\\响.wav", "rejian=1"}));
}

// Files as the registry editor of another system wrote them.
TEST(CliExportImport, ReadsTheUnicodeKindAndEveryFormOfTheKey) {
    for (const char* key : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel",
                            "HKEY_LOCAL_MACHINE\\software\\Brelnix\\Vantrel"}) {
        TestEnv env;
        const std::string body = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + key +
                                 "]\r\n\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每周7日8时0分\"\r\n"
                                 "\"B1\"=\"提醒\"\r\n\"C1\"=\"周日\"\r\n\"D1\"=\"启用\"\r\n";
        env.files["u.reg"] = "\xFF\xFE" + GbkToUtf16Le(body);
        const CliRun r = Ctl(env, {"import", "u.reg", "--file", kFile});
        EXPECT_EQ(r.status, 0) << key << ": " << r.err;
        EXPECT_EQ(Values(env), (std::vector<std::string>{"A1=每周7日8时0分", "B1=提醒", "C1=周日", "D1=启用",
                                                         "TaskNum=1"}));
    }
}

TEST(CliExportImport, OneBadTaskOrValueAndNothingIsWritten) {
    const struct {
        const char* values;
        const char* says;
    } cases[] = {
        {"\"TaskNum\"=dword:00000002\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n\"D1\"=\"禁用\"\r\n"
         "\"A2\"=\"每天8时61分\"\r\n\"B2\"=\"关闭计算机\"\r\n",
         "第 2 条任务"},
        {"\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"启用网卡\"\r\n\"C1\"=\"a%b\"\r\n",
         "netsh"},
        {"\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=hex:00\r\n", "的类型不对"},
        {"\"TaskNum\"=dword:00000000\r\n\"tishi\"=\"60\"\r\n", "tishi"},
        {"\"x\"=\"y\"\r\n\"A1\" = 1\r\n", "第 5 行"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        FourTasks(env);
        const std::string before = env.files[kFile];
        env.files["in.reg"] =
            std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n") + c.values;
        for (const char* replace : {"", "--replace"}) {
            std::vector<std::string> args = {"import", "in.reg", "--file", kFile};
            if (*replace) args.push_back(replace);
            const CliRun r = Ctl(env, args);
            EXPECT_EQ(r.status, 2) << c.says;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("没有写入任何内容"), std::string::npos) << r.err;
            EXPECT_EQ(env.files[kFile], before);
        }
    }
    TestEnv env;
    env.files["other.reg"] = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brelnix\\Vantrel]\r\n\"TaskNum\"=dword:0\r\n";
    const CliRun r = Ctl(env, {"import", "other.reg", "--file", kFile});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("没有 Vantrel 的键"), std::string::npos) << r.err;
    EXPECT_EQ(env.files.count(kFile), 0u);
}

// Without --file the commands work on the registry; a registry that refuses
// writes (no administrator rights) stops them before anything changes.
TEST(CliRegistry, CommandsWorkOnTheRegistryAndARefusalChangesNothing) {
    TestEnv env;
    CliRun r = Ctl(env, {"add", "--schedule", "每天8时0分", "--action", "关闭计算机"});
    EXPECT_EQ(r.status, 0) << r.err;
    env.registry.OpenKey(kKey, false);
    EXPECT_EQ(env.registry.ReadString("A1"), "每天8时0分");
    EXPECT_EQ(env.registry.ReadInteger("TaskNum"), 1);
    env.registry.CloseKey();
    EXPECT_EQ(Ctl(env, {"list"}).out.substr(0, 2), "序");

    env.registryRefusesWrites = true;
    env.files["in.reg"] = Ctl(env, {"export"}).out;
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"add", "--schedule", "每天9时0分", "--action", "关闭计算机"},
                                               {"delete", "1"},
                                               {"disable", "1"},
                                               {"import", "in.reg"}}) {
        r = Ctl(env, args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "vantrelctl: 需要管理员权限: 拒绝访问。\n") << args[0];
    }
    env.registry.OpenKey(kKey, false);
    EXPECT_EQ(env.registry.ReadInteger("TaskNum"), 1);
    EXPECT_EQ(env.registry.ReadString("D1"), "启用");

    // A write refused half way through an import: the key is put back.
    env.registryRefusesWrites = false;
    env.registry.CloseKey();
    env.registry.set_read_only(true);
    r = Ctl(env, {"import", "in.reg", "--replace"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("无法写入值"), std::string::npos) << r.err;
    env.registry.set_read_only(false);
    env.registry.OpenKey(kKey, false);
    EXPECT_EQ(env.registry.ReadInteger("TaskNum"), 1);
    EXPECT_EQ(env.registry.ReadString("A1"), "每天8时0分");
}

// vantrelctl's part in a refused write or another writer's delete, on two tasks.
TEST(CliStoreFaults, ARefusalOrAnotherWritersDeleteIsNeverReportedAsDone) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        testing::WriteRefusal refusal;
        bool otherDeletesTwo;  // between this command's list and its change
        const char* err;
    } cases[] = {
        {"a value that will not go", {"delete", "2"}, {2, 1, 0}, false,
         "vantrelctl: 无法删除值 A2，已恢复原来的内容\n"},
        {"disable what another writer deleted", {"disable", "2"}, {}, true,
         "vantrelctl: 第 2 条任务刚被另一个程序改动或删除，没有写入任何内容（vantrelctl list 重新列出任务）\n"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        for (const char* p : {"a", "b"})
            ASSERT_EQ(Ctl(env, {"add", "--schedule", "每天7时0分", "--action", "提醒", "--param", p}).status, 0);
        env.refusal = c.refusal;
        env.beforeOpen = [&](int n) {
            if (!c.otherDeletesTwo || n != 2) return;
            env.registry.OpenKey(kKey, false);
            env.registry.WriteInteger("TaskNum", 1);
            for (const char* name : {"A2", "B2", "C2", "D2"}) env.registry.DeleteValue(name);
        };
        const CliRun r = Ctl(env, c.args);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.out + r.err, c.err) << c.what;
        env.registry.OpenKey(kKey, false);
        EXPECT_EQ(env.registry.ReadInteger("TaskNum"), c.otherDeletesTwo ? 1 : 2) << c.what;
        EXPECT_EQ(env.registry.ValueNames().size(), c.otherDeletesTwo ? 5u : 9u) << c.what;
        env.registry.CloseKey();
    }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// settings lists every setting (the first five and the later ones) with
// its default until it is set; a value out of range, a name that is none
// or a lone name is a usage error that writes nothing; a label names a
// setting as its value name does.
TEST(CliSettings, ListsSetsAndRefusesBadValues) {
    TestEnv env;
    FourTasks(env);
    const CliRun all = Ctl(env, {"settings", "--file", kFile});
    EXPECT_EQ(all.status, 0);
    for (const char* row : {"tishi\t关机前等待\t60秒\t60秒\n", "tiqian\t提前提醒\t5分钟\t5分钟\n",
                            "manglu\t忙时推迟\t关\t关\n", "soundpath\t关机前声音提示\t\t\n"})
        EXPECT_NE(all.out.find(row), std::string::npos) << row;
    const std::vector<std::string> before = Values(env);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"settings", "tiqian", "1441"}, {"settings", "manglu", "2"},
          {"settings", "tishi", "-1"}, {"settings", "nosuch", "1"}, {"settings", "tiqian"}}) {
        std::vector<std::string> args = bad;
        args.insert(args.end(), {"--file", kFile});
        EXPECT_EQ(Ctl(env, args).status, 2) << bad[1];
    }
    EXPECT_EQ(Values(env), before);
    EXPECT_EQ(Ctl(env, {"settings", "提前提醒", "10", "--file", kFile}).out, "名称\t设置\t值\t默认\ntiqian\t提前提醒\t10分钟\t5分钟\n");
    EXPECT_EQ(Values(env).back(), "tiqian=10");
    // Export carries it to another machine's import; out of range there, the
    // import writes nothing.
    std::string exported = Ctl(env, {"export", "--file", kFile}).out;
    env.files["导出.reg"] = exported;
    EXPECT_EQ(Ctl(env, {"import", "导出.reg", "--file", "另一台.reg"}).status, 0);
    const std::vector<std::string> other = Values(env, "另一台.reg");
    EXPECT_NE(std::find(other.begin(), other.end(), "tiqian=10"), other.end());
    const std::size_t at = exported.find("\"tiqian\"=dword:0000000a");
    ASSERT_NE(at, std::string::npos);
    env.files["导出.reg"] = exported.replace(at, 25, "\"tiqian\"=dword:00099999");
    EXPECT_EQ(Ctl(env, {"import", "导出.reg", "--file", "另一台.reg"}).status, 2);
    EXPECT_EQ(Values(env, "另一台.reg"), other);
    const CliRun json = Ctl(env, {"settings", "soundpath", "C:\\响.wav", "--json", "--file", kFile});
    EXPECT_EQ(json.out, "[\n  {\"name\": \"soundpath\", \"label\": \"关机前声音提示\", \"value\": \"C:\\\\响.wav\", "
                        "\"default\": \"\", \"unit\": \"\", \"source\": \"program key\", \"error\": null}\n]\n");
}

// The settings window's words name the settings (and the labels vantrelctl
// used before, which scripts may hold); switches read and take 开 and 关,
// while --json keeps the numbers; a value may carry the unit it is shown
// with.
TEST(CliSettings, TheWindowsLabelsNameTheSettings) {
    const struct {
        const char* name;
        const char* value;
        const char* stored;  // the value afterwards
        const char* shown;   // its row
    } cases[] = {
        {"关机前等待", "90秒", "tishi=90", "tishi\t关机前等待\t90秒\t60秒\n"},
        {"倒计时长度", "30", "tishi=30", "tishi\t关机前等待\t30秒\t60秒\n"},
        {"使用Ctrl热键", "开", "rejian=1", "rejian\t使用Ctrl热键\t开\t关\n"},
        {"待机前关闭所有程序", "1", "shutapp=1", "shutapp\t待机前关闭所有程序\t开\t关\n"},
        {"显示开机时间", "关", "kaiji=0", "kaiji\t显示开机时间\t关\t关\n"},
        {"关机前声音提示", "C:\\响.wav", "soundpath=C:\\响.wav", "soundpath\t关机前声音提示\tC:\\响.wav\t\n"},
        {"忙时推迟", "开", "manglu=1", "manglu\t忙时推迟\t开\t关\n"},
        {"网络流量高于", "0KB/秒", "mangwang=0", "mangwang\t网络流量高于\t0KB/秒\t100KB/秒\n"},
        {"取消和推迟需要管理员", "开", "baohu=1", "baohu\t取消和推迟需要管理员\t开\t关\n"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        FourTasks(env);
        const CliRun r = Ctl(env, {"settings", c.name, c.value, "--file", kFile});
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, std::string("名称\t设置\t值\t默认\n") + c.shown) << c.name;
        const std::vector<std::string> values = Values(env);
        EXPECT_NE(std::find(values.begin(), values.end(), c.stored), values.end()) << c.name;
    }
    TestEnv env;
    FourTasks(env);
    EXPECT_EQ(Ctl(env, {"settings", "rejian", "开", "--json", "--file", kFile}).out,
              "[\n  {\"name\": \"rejian\", \"label\": \"使用Ctrl热键\", \"value\": 1, \"default\": 0, "
              "\"unit\": \"\", \"source\": \"program key\", \"error\": null}\n]\n");
    // A switch takes nothing but 开, 关, 1 and 0; a unit not its own is refused.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"settings", "忙时推迟", "是"}, {"settings", "关机前等待", "2分钟"}}) {
        std::vector<std::string> args = bad;
        args.insert(args.end(), {"--file", kFile});
        const CliRun r = Ctl(env, args);
        EXPECT_EQ(r.status, 2) << bad[1];
        EXPECT_NE(r.err.find("之间的整数"), std::string::npos) << r.err;
    }
}

TEST(CliSettings, AnUnknownNameListsTheValidOnes) {
    TestEnv env;
    FourTasks(env);
    const std::string before = env.files[kFile];
    const CliRun r = Ctl(env, {"settings", "关机前等候", "2", "--file", kFile});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    for (const SettingEntry& s : AllSettings()) {
        EXPECT_NE(r.err.find(s.name), std::string::npos) << s.name << ": " << r.err;
        EXPECT_NE(r.err.find(s.label), std::string::npos) << s.label << ": " << r.err;
    }
    EXPECT_EQ(env.files[kFile], before);
}

}  // namespace
}  // namespace vantrel
