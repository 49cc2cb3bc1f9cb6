#include "autostart/logon_start.h"

#include <cstdlib>
#include <utility>

#include "text/gbk_text.h"

namespace vantrel {

const char* const kLogonTaskName = "Vantrel";

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

// Undoes the five named escapes and character references below 128; any
// other reference stays as written.
std::string UnescapeXml(const std::string& text) {
    static const std::pair<const char*, char> kNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& named : kNamed) {
                const std::string name = named.first;
                if (text.compare(i, name.size(), name) == 0) {
                    out += named.second;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
            const size_t end = text.find(';', i);
            if (!replaced && i + 2 < text.size() && text[i + 1] == '#' && end != std::string::npos) {
                const bool hex = text[i + 2] == 'x' || text[i + 2] == 'X';
                const std::string digits = text.substr(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2));
                char* stop = nullptr;
                const long code = std::strtol(digits.c_str(), &stop, hex ? 16 : 10);
                if (!digits.empty() && *stop == '\0' && code > 0 && code < 128) {
                    out += static_cast<char>(code);
                    i = end + 1;
                    replaced = true;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// The position just past the start tag <name> or <name ...>, or npos; an
// empty element <name/> counts as found with `empty` set.
size_t FindStartTag(const std::string& xml, const std::string& name, size_t from, bool& empty) {
    for (size_t at = xml.find("<" + name, from); at != std::string::npos;
         at = xml.find("<" + name, at + 1)) {
        const size_t after = at + 1 + name.size();
        if (after >= xml.size()) return std::string::npos;
        const char next = xml[after];
        if (next != '>' && next != '/' && next != ' ' && next != '\t' && next != '\r' && next != '\n')
            continue;  // a longer name that begins the same
        const size_t close = xml.find('>', after);
        if (close == std::string::npos) return std::string::npos;
        empty = xml[close - 1] == '/';
        return close + 1;
    }
    return std::string::npos;
}

}  // namespace

std::string QuotedPath(const std::string& programPath) { return "\"" + programPath + "\""; }

std::string LogonTaskXml(const std::string& programPath) {
    // Settings a tray program needs: no time limit (the default ends it after
    // 72 hours), not stopped or held back on batteries, one instance, normal
    // priority (the default 7 runs it below normal), no idle condition, and
    // no late start of a logon that passed while the computer was off.
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
           "    <Principal id=\"Users\">\r\n"
           "      <GroupId>S-1-5-32-545</GroupId>\r\n"
           "      <RunLevel>HighestAvailable</RunLevel>\r\n"
           "    </Principal>\r\n"
           "  </Principals>\r\n"
           "  <Settings>\r\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
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
           "  <Actions Context=\"Users\">\r\n"
           "    <Exec>\r\n"
           "      <Command>" +
           EscapeXml(QuotedPath(programPath)) +
           "</Command>\r\n"
           "    </Exec>\r\n"
           "  </Actions>\r\n"
           "</Task>\r\n";
}

std::string TaskCommand(const std::string& xml) {
    bool empty = false;
    const size_t exec = FindStartTag(xml, "Exec", 0, empty);
    if (exec == std::string::npos || empty) return "";
    const size_t execEnd = xml.find("</Exec>", exec);
    const size_t command = FindStartTag(xml, "Command", exec, empty);
    if (command == std::string::npos || empty || (execEnd != std::string::npos && command > execEnd))
        return "";
    const size_t end = xml.find("</Command>", command);
    if (end == std::string::npos) return "";
    return UnescapeXml(xml.substr(command, end - command));
}

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
    if (key.ok() && reg_.ValueExists(runValue_)) reg_.DeleteValue(runValue_);
}

bool StartAtLogon::StartsThisCopy(const std::string& programPath) {
    if (way() == Way::RunValue) return CommandNamesProgram(RunValueText(), programPath);
    RegisteredTask task;
    if (!tasks_->FindTask(taskName_, task) || !task.enabled) return false;
    bool empty = false;
    return FindStartTag(task.xml, "LogonTrigger", 0, empty) != std::string::npos &&
           CommandNamesProgram(TaskCommand(task.xml), programPath);
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
        if (tasks_->FindTask(taskName_, task)) {
            const std::string command = TaskCommand(task.xml);
            if (command.empty() || CommandNamesProgram(command, programPath))
                tasks_->DeleteTask(taskName_);
        }
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
