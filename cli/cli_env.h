// What a vantrelctl command needs from the machine it runs on: the clock,
// the short date format, files, and the registry. The real one is built in
// system_env_*.cpp; tests give their own, so every command runs natively.
// Every text that crosses this interface is GBK, file paths included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scheduler/matching.h"
#include "autostart/logon_start.h"
#include "registry/registry.h"

namespace vantrel {

// Held for as long as a command works on a file: see CliEnv::HoldFile.
class FileHold {
public:
    virtual ~FileHold() = default;
};

// The Vantrel service as the Service Control Manager reports it.
enum class ServiceRun {
    Unknown,   // the SCM could not be asked (`error` says why)
    None,      // no service is installed
    Stopped,
    Starting,  // start or continue pending
    Stopping,  // stop or pause pending
    Running,
    Paused,
};

struct ServiceState {
    ServiceRun run = ServiceRun::None;
    std::uint32_t process = 0;  // while it runs
    std::string error;
};

class CliEnv {
public:
    virtual ~CliEnv() = default;

    virtual LocalTime Now() = 0;
    virtual std::string ShortDateFormat() = 0;

    // The whole file. False, with the system's reason in `error`, when it
    // cannot be read; `missing` tells a file that does not exist.
    virtual bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                          std::string& error) = 0;
    // Replaces the file with `bytes` as a whole (never half written).
    virtual bool WriteFile(const std::string& path, const std::string& bytes,
                           std::string& error) = 0;

    // Waits until no other vantrelctl works on the file at `path` (missing
    // or not) and keeps every other one away while the hold lives, from the
    // command's read to its write, so that two scripts on one file never
    // write over each other's change. nullptr, with the reason in `error`,
    // when that cannot be had.
    virtual std::unique_ptr<FileHold> HoldFile(const std::string& path, std::string& error) {
        (void)path, (void)error;
        return std::unique_ptr<FileHold>(new FileHold);
    }
    // Whether two paths name one existing file (a link, another spelling).
    virtual bool SameFile(const std::string& a, const std::string& b) { return a == b; }

    // The machine's registry below HKEY_LOCAL_MACHINE, the same key a 32-bit
    // program sees. For writing, the program key is opened (created) for
    // writing first, so that a refusal (no administrator rights) is known
    // before anything changes; `error` then says so in one line. nullptr
    // where there is no registry (off Windows: use --file).
    virtual std::unique_ptr<Registry> OpenRegistry(bool forWriting, std::string& error) = 0;

    // The message for a registry write that failed half way: the registry's
    // error, with the system's reason where it knows one.
    virtual std::string WriteFailure(Registry& reg, const RegistryError& e) = 0;

    // Whether a 32-bit program here sees HKLM\Software through Wow6432Node
    // (64-bit Windows): exported files name that key.
    virtual bool Wow64() = 0;

    // Whether this runs as the machine's own account (SYSTEM): a Group
    // Policy startup script or a management tool, which a policy against
    // changing the tasks leaves free to write them.
    virtual bool RunsAsMachineAccount() { return false; }

    // The folder of the program's run history (history.log and
    // history.1.log); empty where the system has none.
    virtual std::string HistoryFolder() { return std::string(); }
    // For autostart: the system's task service, nullptr where there is none
    // (start at logon then uses the Run value), and the full path of the
    // Vantrel.exe beside this program, empty where unknown.
    virtual TaskService* Tasks() { return nullptr; }
    virtual std::string VantrelBeside() { return ""; }
    // The service, where the system has services; none elsewhere.
    virtual ServiceState QueryService() { return ServiceState(); }
};

}  // namespace vantrel
