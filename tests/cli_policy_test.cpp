// vantrelctl on a machine with policies: where each value comes from, and
// the writers a policy refuses (exit 2, naming the policy, nothing written).
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/command_line.h"
#include "store/policy.h"
#include "tests/cli_test_env.h"

namespace vantrel {
namespace {

using testing::CliRun;
using testing::Ctl;
using testing::TestEnv;

const char kKey[] = "\\Software\\Brelnix\\Vantrel";

void SetPolicy(TestEnv& env, const char* name, std::int32_t value) {
    env.registry.OpenKey(kPolicyKeyPath, true);
    env.registry.WriteInteger(name, value);
    env.registry.CloseKey();
}

void ClearPolicy(TestEnv& env, const char* name) {
    env.registry.OpenKey(kPolicyKeyPath, false);
    env.registry.DeleteValue(name);
    env.registry.CloseKey();
}

// Every value of the program key, name=value.
std::vector<std::string> ProgramKey(TestEnv& env) {
    std::vector<std::string> all;
    env.registry.OpenKey(kKey, false);
    for (const std::string& n : env.registry.ValueNames())
        all.push_back(n + "=" + (env.registry.TypeOf(n) == ValueType::DWord ? std::to_string(env.registry.ReadInteger(n))
                                                                             : env.registry.ReadString(n)));
    env.registry.CloseKey();
    return all;
}

// The JSON row of one setting.
std::string Row(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("{\"name\": \"" + name + "\"");
    return at == std::string::npos ? std::string() : json.substr(at, json.find('}', at) - at + 1);
}

// settings --json names each value's source; a policy's value shows, and
// the user's own comes back when the policy goes.
TEST(CliPolicy, SettingsSayWhereEachValueComesFrom) {
    TestEnv env;
    ASSERT_EQ(Ctl(env, {"settings", "tiqian", "10"}).status, 0);
    SetPolicy(env, "tiqian", 20);
    SetPolicy(env, "mangcpu", 500);  // out of range: ignored
    const struct {
        const char* name;
        const char* value;
        const char* source;
    } rows[] = {{"tiqian", "20", "policy"}, {"tishi", "60", "default"}, {"mangcpu", "80", "default"}};
    std::string json = Ctl(env, {"settings", "--json"}).out;
    for (const auto& r : rows) {
        const std::string row = Row(json, r.name);
        EXPECT_NE(row.find(std::string("\"value\": ") + r.value + ","), std::string::npos) << row;
        EXPECT_NE(row.find(std::string("\"source\": \"") + r.source + "\""), std::string::npos) << row;
    }
    EXPECT_NE(Ctl(env, {"settings"}).out.find("tiqian\t提前提醒\t20分钟（由管理员通过策略设置）"), std::string::npos);
    ClearPolicy(env, "tiqian");
    json = Ctl(env, {"settings", "--json"}).out;
    EXPECT_NE(Row(json, "tiqian").find("\"value\": 10, \"default\": 5, \"unit\": \"分钟\", \"source\": \"program key\""),
              std::string::npos)
        << json;
}

// Under each policy, the commands that would change what it holds exit 2
// with one line naming it and write nothing; the others still work. The
// machine's own account writes the tasks under the no-changes policy; a
// task file is no machine, and no policy binds it.
TEST(CliPolicy, WritersRefuseNamingThePolicy) {
    const std::vector<std::vector<std::string>> taskWriters = {
        {"add", "--schedule", "每天9时0分", "--action", "关闭计算机"},
        {"delete", "1"},
        {"disable", "1"},
        {"enable", "1"},
        {"import", "in.reg"},
    };
    const struct {
        const char* policy;
        std::vector<std::vector<std::string>> refused, allowed;
    } cases[] = {
        {"suoding", taskWriters, {{"settings", "tiqian", "9"}}},
        {"tiqian", {{"settings", "tiqian", "9"}, {"settings", "提前提醒", "9"}}, {{"settings", "tishi", "90"}, taskWriters[0]}},
        {"changkai", {}, {taskWriters[0], {"settings", "tiqian", "9"}}},
        {"butui", {}, {taskWriters[2]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.policy);
        TestEnv env;
        ASSERT_EQ(Ctl(env, {"add", "--schedule", "每天8时0分", "--action", "关闭计算机"}).status, 0);
        env.files["in.reg"] = Ctl(env, {"export"}).out;
        SetPolicy(env, c.policy, 1);
        for (const std::vector<std::string>& args : c.refused) {
            const std::vector<std::string> before = ProgramKey(env);
            const CliRun r = Ctl(env, args);
            EXPECT_EQ(r.status, kExitUsage) << args[0] << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_NE(r.err.find(std::string("策略 ") + c.policy), std::string::npos) << r.err;
            EXPECT_EQ(ProgramKey(env), before) << args[0];
        }
        for (const std::vector<std::string>& args : c.allowed) {
            const CliRun r = Ctl(env, args);
            EXPECT_EQ(r.status, 0) << args[0] << r.err;
        }
    }

    TestEnv env;
    ASSERT_EQ(Ctl(env, {"add", "--schedule", "每天8时0分", "--action", "关闭计算机"}).status, 0);
    env.files["in.reg"] = Ctl(env, {"export"}).out;
    SetPolicy(env, "suoding", 1);
    SetPolicy(env, "tiqian", 3);
    for (const std::vector<std::string>& args : taskWriters) {
        std::vector<std::string> onFile = args;
        onFile.insert(onFile.end(), {"--file", "任务.reg"});
        if (args[0] == "add") {
            const CliRun added = Ctl(env, onFile);
            EXPECT_EQ(added.status, 0) << added.err;
        }
    }
    EXPECT_EQ(Ctl(env, {"settings", "tiqian", "9", "--file", "任务.reg"}).status, 0);
    env.machineAccount = true;
    const CliRun r = Ctl(env, {"import", "in.reg", "--replace"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Ctl(env, {"settings", "tiqian", "9"}).status, kExitUsage);
}

}  // namespace
}  // namespace vantrel
