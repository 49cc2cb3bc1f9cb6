// Start at logon: the one place that knows how this copy of the program is
// started when a user logs on, used by the settings window, vantrelctl and
// (through vantrelctl) the setup program.
//
// Two ways, by what the system honours:
// - Windows XP, or wherever Task Scheduler 2.0 cannot be reached: the Run
//   value "Derera", holding the quoted path of the program file (unquoted, a
//   path with spaces lets Windows try "C:\Program.exe" first).
// - Vista and later: a task "Vantrel" in the root folder of Task Scheduler
//   2.0, started at the logon of every member of the group Administrators,
//   with their elevated token, one copy per logon. Windows does not start a
//   program that asks for administrator rights from the Run key at all, so
//   there a Run value of this copy is removed. A task of an earlier version
//   (the group Users) still counts as this copy's, and turning start at
//   logon on replaces it.
//
// A Run value or task that starts another copy is never taken for this one.
// Texts are GBK; the task's XML is converted where it crosses into Windows,
// and a registered task is read back through the service's object model.
#pragma once

#include <string>

#include "registry/registry.h"

namespace vantrel {

extern const char* const kLogonTaskName;      // "Vantrel"
extern const char* const kAdministratorsSid;  // "S-1-5-32-544", the group the task is for

// What the task service says about a registered task, as its object model
// hands it over.
struct RegisteredTask {
    bool enabled = false;
    // One of its triggers is a logon trigger.
    bool startsAtLogon = false;
    // The program of its first action that starts one, as registered (the
    // path, quoted or not); empty when it has none or the service does not
    // give it back.
    std::string command;
    // The group of its principal as a SID text ("S-1-5-32-544"); empty when
    // it names a user or the service does not give it back.
    std::string groupId;
};

// Whether a task was registered for the group Administrators, as this
// version registers it; an earlier version's names the group Users, whose
// standard members it cannot start.
bool TaskIsForAdministrators(const RegisteredTask& task);

// Task Scheduler 2.0, or whatever stands in for it in a test. The real one
// is part of the recorded system interface (actions/system_ops.h).
class TaskService {
public:
    virtual ~TaskService() = default;
    // False where the system has no Task Scheduler 2.0 (Windows XP) or its
    // class cannot be created: start at logon then uses the Run value.
    virtual bool TaskServiceAvailable() { return false; }
    // The task `name` of the root folder; false when there is none.
    virtual bool FindTask(const std::string& name, RegisteredTask& task) {
        (void)name;
        (void)task;
        return false;
    }
    // Creates or replaces the task `name` in the root folder from its XML
    // definition; raises std::runtime_error, with the system's reason, when
    // the service refuses.
    virtual void RegisterTask(const std::string& name, const std::string& xml) {
        (void)name;
        (void)xml;
    }
    // Deletes the task `name` of the root folder; one that does not exist is
    // no error.
    virtual void DeleteTask(const std::string& name) { (void)name; }
};

// The task definition handed to Task Scheduler for `programPath`.
std::string LogonTaskXml(const std::string& programPath);
// Whether a command (a Run value, a task's command) starts `programPath`:
// the path alone or in double quotes, with no arguments, compared as
// Windows compares paths (in any letter case, an 8.3 name as its long one).
bool CommandNamesProgram(const std::string& command, const std::string& programPath);
// The form in which this system compares paths: two paths that name the same
// file have the same form. Until the program or vantrelctl gives the
// system's (actions/system_ops.h), the path with its ASCII letters in upper
// case (GBK trail bytes untouched).
using PathForm = std::string (*)(const std::string& path);
void UsePathForm(PathForm form);
// `programPath` in double quotes.
std::string QuotedPath(const std::string& programPath);

class StartAtLogon {
public:
    enum class Way { RunValue, Task };

    // `tasks` nullptr: the Run value only. Tests name a Run key, value and
    // task of their own.
    StartAtLogon(Registry& reg, TaskService* tasks, std::string runKey, std::string runValue,
                 std::string taskName = kLogonTaskName);

    Way way();
    // What the settings window's box shows: whether the way of this system
    // starts `programPath` at the next logon.
    bool StartsThisCopy(const std::string& programPath);
    // Makes the way of this system start `programPath`, replacing what it
    // started before; with the task, a Run value of this copy goes.
    void TurnOn(const std::string& programPath);
    // Removes what starts this copy: the task unless it starts another copy,
    // the Run value when it names this copy. Another copy's stays.
    void TurnOff(const std::string& programPath);
    // The settings window's OK. Unticked with the Run value, the value goes
    // whatever it held, as it always has.
    void Apply(bool on, const std::string& programPath);

private:
    // The Run value's text; empty when missing or not a string.
    std::string RunValueText();
    void DeleteRunValue();

    Registry& reg_;
    TaskService* tasks_;
    std::string runKey_;
    std::string runValue_;
    std::string taskName_;
};

}  // namespace vantrel
