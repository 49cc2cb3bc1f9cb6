// vantrelctl autostart on|off|status [--program PATH]: start at logon of a
// copy of Vantrel (by default the Vantrel.exe beside vantrelctl), by the way
// this system honours (autostart/logon_start.h). The setup program calls it, so
// that the settings window, the setup and this command share one
// implementation.
#include <stdexcept>

#include "cli/command_line.h"
#include "autostart/logon_start.h"
#include "store/task_store.h"

namespace vantrel {

int RunAutostart(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const std::string& what = inv.operands[0];
    if (what != "on" && what != "off" && what != "status")
        throw UsageError{"autostart: 应为 on、off 或 status，而不是“" + what + "”"};
    if (inv.file) throw UsageError{"autostart: 不能与 --file 一起使用"};
    const std::string program = inv.Value("--program") ? *inv.Value("--program") : env.VantrelBeside();
    if (program.empty()) throw UsageError{"autostart: 请用 --program 指明 Vantrel.exe 的完整路径"};

    std::string error;
    std::unique_ptr<Registry> reg = env.OpenRegistry(what != "status", error);
    if (!reg) {
        err << "vantrelctl: " << error << "\n";
        return kExitFailed;
    }
    StartAtLogon logon(*reg, env.Tasks(), kRunKeyPath, kRunValueName);
    const bool task = logon.way() == StartAtLogon::Way::Task;
    try {
        if (what == "on") logon.TurnOn(program);
        if (what == "off") logon.TurnOff(program);
    } catch (const RegistryError& e) {
        err << "vantrelctl: " << env.WriteFailure(*reg, e) << "\n";
        return kExitFailed;
    } catch (const std::runtime_error& e) {
        err << "vantrelctl: " << e.what() << "\n";
        return kExitFailed;
    }
    if (what != "status") return kExitDone;
    const bool on = logon.StartsThisCopy(program);
    RegisteredTask found;
    if (!on && task && env.Tasks()->FindTask(kLogonTaskName, found) && found.command.empty()) {
        // A task whose command the service does not give back: whom it
        // starts cannot be told.
        out << "? 计划任务 " << kLogonTaskName << " 的命令无法读出\n";
        return kExitUnknown;
    }
    // Whom it starts: the task this version registers starts administrators
    // only; one an earlier version registered for the group Users counts as
    // on until it is replaced.
    std::string whom = task ? "（管理员登录时启动）" : "（每个用户登录时启动）";
    if (on && task && env.Tasks()->FindTask(kLogonTaskName, found) && !found.groupId.empty() &&
        !TaskIsForAdministrators(found))
        whom = "（旧版的任务，标准用户登录时无法启动；autostart on 将其更新为管理员登录时启动）";
    out << (on ? "开" : "关") << " " << (task ? "计划任务 " : "Run 值 ")
        << (task ? kLogonTaskName : kRunValueName) << " " << program << (on ? whom : "") << "\n";
    return on ? kExitDone : kExitNotOn;
}

}  // namespace vantrel
