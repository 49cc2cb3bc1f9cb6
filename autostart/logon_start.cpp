#include "autostart/logon_start.h"

#include <utility>

#include "text/gbk_text.h"

namespace vantrel {

const char* const kLogonTaskName = "Vantrel";
const char* const kAdministratorsSid = "S-1-5-32-544";

namespace {

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string QuotedPath(const std::string& programPath) { return "\"" + programPath + "\""; }

std::string LogonTaskXml(const std::string& programPath) {
    // Settings a tray program needs: no time limit (the default ends it after
    // 72 hours), not stopped or held back on batteries, normal priority (the
    // default 7 runs it below normal), no idle condition, and no late start
    // of a logon that passed while the computer was off. Every logon starts
    // a copy of its own (Parallel): with IgnoreNew only the first user to log
    // on would get one, and the second would have no tray icon at all.
    //
    // The group Administrators, at the highest level: its members get their
    // elevated token, which the program's manifest asks for. A standard user
    // is not started at all; started with a limited token, the program would
    // fail silently at every logon (ERROR_ELEVATION_REQUIRED).
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           "  <RegistrationInfo>\r\n"
           "    <Description>登录 Windows 时启动 Vantrel</Description>\r\n"
           "  </RegistrationInfo>\r\n"
           "  <Triggers>\r\n"
           "    <LogonTrigger>\r\n"
           "      <Enabled>true</Enabled>\r\n"
           "    </LogonTrigger>\r\n"
           "  </Triggers>\r\n"
           "  <Principals>\r\n"
           "    <Principal id=\"Administrators\">\r\n"
           "      <GroupId>" +
           std::string(kAdministratorsSid) +
           "</GroupId>\r\n"
           "      <RunLevel>HighestAvailable</RunLevel>\r\n"
           "    </Principal>\r\n"
           "  </Principals>\r\n"
           "  <Settings>\r\n"
           "    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>\r\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           "    <StartWhenAvailable>false</StartWhenAvailable>\r\n"
           "    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
           "    <IdleSettings>\r\n"
           "      <StopOnIdleEnd>false</StopOnIdleEnd>\r\n"
           "      <RestartOnIdle>false</RestartOnIdle>\r\n"
           "    </IdleSettings>\r\n"
           "    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n"
           "    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
           "    <Enabled>true</Enabled>\r\n"
           "    <Hidden>false</Hidden>\r\n"
           "    <WakeToRun>false</WakeToRun>\r\n"
           "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
           "    <Priority>4</Priority>\r\n"
           "  </Settings>\r\n"
           "  <Actions Context=\"Administrators\">\r\n"
           "    <Exec>\r\n"
           "      <Command>" +
           EscapeXml(QuotedPath(programPath)) +
           "</Command>\r\n"
           "    </Exec>\r\n"
           "  </Actions>\r\n"
           "</Task>\r\n";
}

bool TaskIsForAdministrators(const RegisteredTask& task) { return task.groupId == kAdministratorsSid; }

namespace {

PathForm g_pathForm = nullptr;

std::string ComparablePath(const std::string& path) { return g_pathForm ? g_pathForm(path) : AsciiUpper(path); }

}  // namespace

void UsePathForm(PathForm form) { g_pathForm = form; }

bool CommandNamesProgram(const std::string& command, const std::string& programPath) {
    const size_t first = command.find_first_not_of(" \t");
    if (first == std::string::npos || programPath.empty()) return false;
    const size_t last = command.find_last_not_of(" \t");
    std::string text = command.substr(first, last - first + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.find('"') != std::string::npos) return false;
    return ComparablePath(text) == ComparablePath(programPath);
}

StartAtLogon::StartAtLogon(Registry& reg, TaskService* tasks, std::string runKey,
                           std::string runValue, std::string taskName)
    : reg_(reg),
      tasks_(tasks),
      runKey_(std::move(runKey)),
      runValue_(std::move(runValue)),
      taskName_(std::move(taskName)) {}

StartAtLogon::Way StartAtLogon::way() {
    return tasks_ && tasks_->TaskServiceAvailable() ? Way::Task : Way::RunValue;
}

std::string StartAtLogon::RunValueText() {
    OpenedKey key(reg_, runKey_, false);
    if (!key.ok() || reg_.TypeOf(runValue_) != ValueType::String) return "";
    return reg_.ReadString(runValue_);
}

void StartAtLogon::DeleteRunValue() {
    OpenedKey key(reg_, runKey_, false);
    if (key.ok()) DeleteValueOrThrow(reg_, runValue_);
}

bool StartAtLogon::StartsThisCopy(const std::string& programPath) {
    if (way() == Way::RunValue) return CommandNamesProgram(RunValueText(), programPath);
    RegisteredTask task;
    return tasks_->FindTask(taskName_, task) && task.enabled && task.startsAtLogon &&
           CommandNamesProgram(task.command, programPath);
}

void StartAtLogon::TurnOn(const std::string& programPath) {
    if (way() == Way::RunValue) {
        OpenedKey key(reg_, runKey_, true);
        if (reg_.ValueExists(runValue_)) reg_.DeleteValue(runValue_);
        reg_.WriteString(runValue_, QuotedPath(programPath));
        return;
    }
    tasks_->RegisterTask(taskName_, LogonTaskXml(programPath));
    // Windows would not start it from the Run key; Task Manager would list it
    // as a blocked entry.
    if (CommandNamesProgram(RunValueText(), programPath)) DeleteRunValue();
}

void StartAtLogon::TurnOff(const std::string& programPath) {
    if (way() == Way::Task) {
        RegisteredTask task;
        // A task whose command cannot be read starts nothing of another copy.
        if (tasks_->FindTask(taskName_, task) &&
            (task.command.empty() || CommandNamesProgram(task.command, programPath)))
            tasks_->DeleteTask(taskName_);
    }
    if (CommandNamesProgram(RunValueText(), programPath)) DeleteRunValue();
}

void StartAtLogon::Apply(bool on, const std::string& programPath) {
    if (on) {
        TurnOn(programPath);
    } else if (way() == Way::RunValue) {
        DeleteRunValue();
    } else {
        TurnOff(programPath);
    }
}

}  // namespace vantrel
