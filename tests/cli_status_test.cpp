// vantrelctl status: what the SCM says of the service, in words, in JSON and
// in the exit status a script tests (0 runs, 3 installed and not running,
// 4 none, 1 the SCM could not be asked), as its help documents them.
#include <gtest/gtest.h>

#include <string>

#include "cli_test_env.h"

namespace vantrel {
namespace {

class ServiceEnv : public testing::TestEnv {
public:
    ServiceState service;
    ServiceState QueryService() override { return service; }
};

TEST(CliStatus, SaysWhetherTheServiceRunsAndExitsAsDocumented) {
    struct Row {
        ServiceRun run;
        std::uint32_t process;
        int exit;
        const char* words;  // in the line
        const char* key;    // --json's service
    } rows[] = {
        {ServiceRun::Running, 1234, 0, "正在运行（进程 1234）", "running"},
        {ServiceRun::Stopped, 0, 3, "已停止", "stopped"},
        {ServiceRun::Starting, 88, 3, "正在启动", "starting"},
        {ServiceRun::Stopping, 88, 3, "正在停止", "stopping"},
        {ServiceRun::Paused, 88, 3, "已暂停", "paused"},
        {ServiceRun::None, 0, 4, "没有安装", "none"},
    };
    for (const Row& row : rows) {
        ServiceEnv env;
        env.service.run = row.run;
        env.service.process = row.process;
        const testing::CliRun text = testing::Ctl(env, {"status"});
        EXPECT_EQ(text.status, row.exit) << row.key;
        EXPECT_NE(text.out.find(row.words), std::string::npos) << text.out;
        EXPECT_TRUE(text.err.empty()) << text.err;
        // A process id belongs only to a service that runs.
        EXPECT_EQ(text.out.find("进程") != std::string::npos, row.run == ServiceRun::Running) << text.out;

        const testing::CliRun json = testing::Ctl(env, {"status", "--json"});
        EXPECT_EQ(json.status, row.exit) << row.key;
        const std::string pid = row.run == ServiceRun::Running ? std::to_string(row.process) : "null";
        EXPECT_EQ(json.out, std::string("{\"service\": \"") + row.key + "\", \"pid\": " + pid + "}\n");
    }
}

TEST(CliStatus, AnSCMThatCannotBeAskedIsAFailureWithItsReason) {
    ServiceEnv env;
    env.service.run = ServiceRun::Unknown;
    env.service.error = "拒绝访问。";
    const testing::CliRun run = testing::Ctl(env, {"status"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("拒绝访问。"), std::string::npos) << run.err;
    // No operand is taken.
    EXPECT_EQ(testing::Ctl(env, {"status", "now"}).status, kExitUsage);
}

}  // namespace
}  // namespace vantrel
