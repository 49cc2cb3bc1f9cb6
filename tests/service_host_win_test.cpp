// The service's host under Wine, without the SCM: the runner on the
// service's own thread, driven by waitable timers and by the controls the
// SCM's handler passes on, against recorded system operations. A power
// task's countdown runs out with nobody there and its action is carried
// out, 注销 as the service must do it; sleep and wake reach the runner; and
// the service's thread never makes a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/service_win.h"
#include "recording_system_ops.h"
#include "registry/registry_win.h"
#include "store/task_store.h"
#include "tests/running_service_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelServiceHostTest";

// Recorded operations with a console session of the test's choosing.
class ServiceOps : public testing::RecordingSystemOps {
public:
    std::uint32_t console = 7;
    std::uint32_t ConsoleSession() override { return console; }
};

using testing::RunningService;

bool Called(const ServiceOps& ops, const std::string& call) {
    return std::find(ops.calls.begin(), ops.calls.end(), call) != ops.calls.end();
}

TEST(ServiceHost, ACountdownWithNobodyThereEndsInItsActionAndNoWindow) {
    struct Row {
        const char* word;
        std::uint32_t console;
        const char* expected;  // the recorded call; empty: none of the power calls
        const char* refused;   // a call that must not come
    } rows[] = {
        // ExitWindowsEx(EWX_LOGOFF) would end the service's own session, not the user's.
        {"注销", 7, "WTSLogoffSession 7", "ExitWindowsEx 20"},
        {"注销", 0xFFFFFFFF, "", "ExitWindowsEx 20"},  // nobody at the console: nothing to log off
        {"关机", 7, "ExitWindowsEx 28", "WTSLogoffSession 7"},
        {"重启", 7, "ExitWindowsEx 22", "WTSLogoffSession 7"},
    };
    for (const Row& row : rows) {
        ServiceOps ops;
        ops.console = row.console;
        RunningService service(kKey);
        service.OnService([&](Runner& runner) {
            runner.SetCountdownLength(2);
            runner.tickState().pendingAction = row.word;  // as the tick leaves it
            EXPECT_TRUE(runner.StartTaskCountdown(row.word, false)) << row.word;
        });
        // The waitable timer steps it; nobody cancels.
        EXPECT_TRUE(service.WaitUntil([](Runner& runner) { return !runner.counting(); })) << row.word;
        bool expected = false, refused = false;
        std::size_t powerCalls = 0;
        service.OnService([&](Runner&) {
            expected = *row.expected && Called(ops, row.expected);
            refused = Called(ops, row.refused);
            for (const std::string& call : ops.calls)
                powerCalls += call.rfind("ExitWindowsEx", 0) == 0 || call.rfind("WTSLogoffSession", 0) == 0;
        });
        if (*row.expected) {
            std::string calls;
            service.OnService([&](Runner&) {
                for (const std::string& c : ops.calls) calls += c + "; ";
            });
            EXPECT_TRUE(expected) << row.word << ": " << row.expected << " among " << calls;
        } else {
            EXPECT_EQ(powerCalls, 0u) << row.word;
        }
        EXPECT_FALSE(refused) << row.word << ": " << row.refused;
        // Neither the countdown nor a refusal's reminder made a window.
        EXPECT_EQ(service.Windows(), 0) << row.word;
    }
}

TEST(ServiceHost, SleepAndWakeFromTheServiceControlReachTheCountdown) {
    struct Row {
        const char* what;
        DWORD wake;
        bool automatic;   // IsSystemResumeAutomatic says nobody woke it
        bool showsAgain;  // the countdown comes back
    } rows[] = {
        {"a user woke it", PBT_APMRESUMESUSPEND, false, true},
        {"an automatic wake with input since", PBT_APMRESUMEAUTOMATIC, false, true},
        {"an automatic wake nobody is at", PBT_APMRESUMEAUTOMATIC, true, false},
    };
    for (const Row& row : rows) {
        ServiceOps ops;
        ops.resumedAutomatically = row.automatic;
        RunningService service(kKey);
        service.OnService([](Runner& runner) {
            runner.SetCountdownLength(600);
            runner.tickState().pendingAction = "关机";
            runner.StartTaskCountdown("关机", false);
        });
        ServiceControl control;
        control.control = SERVICE_CONTROL_POWEREVENT;
        control.eventType = PBT_APMSUSPEND;
        service.host().Post(control);
        bool stopped = false;
        service.OnService([&](Runner& runner) { stopped = !runner.counting() && runner.interrupted(); });
        EXPECT_TRUE(stopped) << row.what << ": the sleep stops the countdown";
        control.eventType = row.wake;
        service.host().Post(control);
        bool counting = false;
        service.OnService([&](Runner& runner) { counting = runner.counting(); });
        EXPECT_EQ(counting, row.showsAgain) << row.what;
        EXPECT_EQ(service.Windows(), 0) << row.what;
    }
}

TEST(ServiceHost, ASettingAnotherWriterChangesIsReadAsItChanges) {
    ServiceOps ops;
    RunningService service(kKey);
    std::int32_t before = 0;
    service.OnService([&](Runner& runner) { before = runner.settings().countdownLength; });
    // As vantrelctl settings writes it, from another process.
    const std::int32_t wanted = before == 95 ? 96 : 95;
    {
        WinRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, false));
        reg.WriteInteger(kValCountdown, wanted);
    }
    EXPECT_TRUE(service.WaitUntil([&](Runner& runner) {
        return runner.settings().countdownLength == wanted && runner.countdown().length() == wanted;
    })) << "the countdown's length follows the stored value";
}

}  // namespace
}  // namespace vantrel
