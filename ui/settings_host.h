// What the settings window and the task editor need from the running
// program, passed down to them by the program (app/) so that the windows
// never reach up into it: the task store with the in-memory copies of the
// settings, the tick's gate, the countdown length, and two facts about the
// computer.
#pragma once

#include <cstdint>

#include "store/task_store.h"

namespace vantrel {

class SettingsHost {
public:
    virtual ~SettingsHost() = default;

    virtual TaskStore& store() = 0;
    // The in-memory copies of the settings and the task count.
    virtual Settings& settings() = 0;
    // A settings window opened: the tick stops until every one is closed.
    virtual void HoldTick() = 0;
    // One closed: the tick runs again if nothing else holds it (monitoring
    // off, a countdown).
    virtual void ReleaseTick() = 0;
    // The countdown length copy and the countdown bar's range together.
    virtual void SetCountdownLength(std::int32_t seconds) = 0;
    // Whole seconds since the computer was switched on or last woke up.
    virtual std::uint32_t SecondsSinceStart() = 0;
    // The major version of the operating system.
    virtual unsigned SystemMajorVersion() = 0;
    // Whether monitoring is on (the user's switch, not a settings window's
    // hold): with it off the 下次运行 column says the tasks will not run.
    virtual bool MonitoringOn() { return true; }
    // Whether this user may change tasks and settings here: a user who is
    // not an administrator sees the settings window read-only, with a button
    // that opens an elevated one.
    virtual bool MayChange() { return true; }
    // That button: starts the program's settings window as an administrator
    // (Windows asks for consent or a password). False when it did not start.
    virtual bool ChangeAsAdministrator() { return false; }
};

}  // namespace vantrel
