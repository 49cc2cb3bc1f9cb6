// A SystemOps that records the calls instead of making them, installed for
// the lifetime of the object: tests never end the session or power off.
#pragma once

#include <string>
#include <vector>

#include "actions/system_ops.h"

namespace vantrel {
namespace testing {

class RecordingSystemOps : public SystemOps {
public:
    RecordingSystemOps() { InstallSystemOps(this); }
    ~RecordingSystemOps() override { InstallSystemOps(nullptr); }

    std::vector<std::string> calls;
    std::vector<std::uint32_t> terminated;
    bool terminateResult = true;

    bool TerminateProcessById(std::uint32_t pid) override {
        terminated.push_back(pid);
        calls.push_back("terminate " + std::to_string(pid));
        return terminateResult;
    }
    void EndSession(std::uint32_t flags) override {
        calls.push_back("ExitWindowsEx " + std::to_string(flags));
    }
    void SetPowerState(bool suspend, bool force) override {
        calls.push_back(std::string("SetSystemPowerState ") + (suspend ? "1" : "0") + (force ? "1" : "0"));
    }
    void ShutdownSystem(int action) override {
        calls.push_back("NtShutdownSystem " + std::to_string(action));
    }
};

}  // namespace testing
}  // namespace vantrel
