// A machine for vantrelctl's tests: a fixed clock, the short date format,
// files in memory and, for the commands without --file, an in-memory
// registry, so every command runs natively exactly as on Windows.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_env.h"
#include "cli/command_line.h"
#include "registry/memory_registry.h"

namespace vantrel {
namespace testing {

// A registry that refuses writes part way: every write and delete from the
// `from`-th on (counted from 1; 0 never), for `count` of them (-1: for good).
struct WriteRefusal {
    int from = 0, count = -1, seen = 0;
    bool Refuses() { return ++seen >= from && from > 0 && (count < 0 || seen < from + count); }
};

// Another writer, before a command's n-th opening of a key (from 1).
using BeforeOpen = std::function<void(int n)>;

// Hands out the shared registry without giving it away.
class BorrowedRegistry : public Registry {
public:
    explicit BorrowedRegistry(Registry& r, WriteRefusal* refusal = nullptr, BeforeOpen* beforeOpen = nullptr)
        : r_(r), refusal_(refusal), beforeOpen_(beforeOpen) {}
    bool OpenKey(const std::string& p, bool c) override {
        if (beforeOpen_ && *beforeOpen_) (*beforeOpen_)(++opens_);
        return r_.OpenKey(p, c);
    }
    void CloseKey() override { r_.CloseKey(); }
    bool ValueExists(const std::string& n) override { return r_.ValueExists(n); }
    ValueType TypeOf(const std::string& n) override { return r_.TypeOf(n); }
    std::string ReadString(const std::string& n) override { return r_.ReadString(n); }
    void WriteString(const std::string& n, const std::string& v) override {
        if (refusal_ && refusal_->Refuses()) throw FailedToSetData(n);
        r_.WriteString(n, v);
    }
    std::int32_t ReadInteger(const std::string& n) override { return r_.ReadInteger(n); }
    void WriteInteger(const std::string& n, std::int32_t v) override {
        if (refusal_ && refusal_->Refuses()) throw FailedToSetData(n);
        r_.WriteInteger(n, v);
    }
    bool DeleteValue(const std::string& n) override {
        if (refusal_ && refusal_->Refuses()) return false;
        return r_.DeleteValue(n);
    }
    std::uint32_t ValueCount() override { return r_.ValueCount(); }
    std::vector<std::string> ValueNames() override { return r_.ValueNames(); }

private:
    Registry& r_;
    WriteRefusal* refusal_;
    BeforeOpen* beforeOpen_;
    int opens_ = 0;
};

class TestEnv : public CliEnv {
public:
    LocalTime now;
    std::string dateFormat = "yyyy/M/d";
    std::map<std::string, std::string> files;
    std::set<std::string> readOnlyFiles;
    MemoryRegistry registry;
    bool registryRefusesWrites = false;  // as without administrator rights
    WriteRefusal refusal;                // writes refused part way
    BeforeOpen beforeOpen;               // another writer between a command's steps
    bool wow64 = false;
    bool machineAccount = false;  // runs as SYSTEM

    TestEnv() {
        now.year = 2026;
        now.month = 12;
        now.day = 7;
        now.dayOfWeek = 1;  // a Monday
        now.hour = 9;
        now.minute = 30;
    }

    LocalTime Now() override { return now; }
    std::string ShortDateFormat() override { return dateFormat; }
    bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                  std::string& error) override {
        auto it = files.find(path);
        missing = it == files.end();
        if (missing) {
            error = "No such file or directory";
            return false;
        }
        bytes = it->second;
        return true;
    }
    bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override {
        if (readOnlyFiles.count(path)) {
            error = "Permission denied";
            return false;
        }
        files[path] = bytes;
        return true;
    }
    std::unique_ptr<Registry> OpenRegistry(bool forWriting, std::string& error) override {
        if (forWriting && registryRefusesWrites) {
            error = "需要管理员权限: 拒绝访问。";
            return nullptr;
        }
        return std::unique_ptr<Registry>(new BorrowedRegistry(registry, &refusal, &beforeOpen));
    }
    std::string WriteFailure(Registry&, const RegistryError& e) override { return e.what(); }
    bool Wow64() override { return wow64; }
    bool RunsAsMachineAccount() override { return machineAccount; }
};

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

// Runs one command line (GBK texts, as the console glue hands them over).
inline CliRun Ctl(TestEnv& env, const std::vector<std::string>& args) {
    TextOut out, err;
    const int status = RunCli(args, env, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace testing
}  // namespace vantrel
