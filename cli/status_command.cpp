// vantrelctl status [--json]: whether the machine's service is installed and
// runs, as the Service Control Manager says. Without a service (a portable
// copy) it says so, with its own exit status, so that a script can tell.
#include "cli/command_line.h"
#include "cli/json_text.h"

namespace vantrel {

namespace {

struct RunText {
    ServiceRun run;
    const char* key;   // --json's, which scripts compare
    const char* text;  // the line's
    int exit;
};

const RunText kRunTexts[] = {
    {ServiceRun::Running, "running", "正在运行", kExitDone},
    {ServiceRun::Stopped, "stopped", "已停止", kExitServiceNotRunning},
    {ServiceRun::Starting, "starting", "正在启动", kExitServiceNotRunning},
    {ServiceRun::Stopping, "stopping", "正在停止", kExitServiceNotRunning},
    {ServiceRun::Paused, "paused", "已暂停", kExitServiceNotRunning},
    {ServiceRun::None, "none", "没有安装", kExitNoService},
};

}  // namespace

int RunStatus(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const ServiceState state = env.QueryService();
    if (state.run == ServiceRun::Unknown) {
        err << "vantrelctl: 无法询问服务控制管理器: " << state.error << "\n";
        return kExitFailed;
    }
    const RunText* found = &kRunTexts[0];
    for (const RunText& t : kRunTexts)
        if (t.run == state.run) found = &t;
    const bool running = state.run == ServiceRun::Running && state.process != 0;
    if (inv.Has("--json")) {
        out << "{\"service\": " << JsonString(found->key)
            << ", \"pid\": " << (running ? std::to_string(state.process) : std::string("null")) << "}\n";
    } else {
        out << "服务: " << found->text;
        if (running) out << "（进程 " << state.process << "）";
        out << "\n";
    }
    return found->exit;
}

}  // namespace vantrel
