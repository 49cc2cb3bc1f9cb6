// The Win32 registry below HKEY_LOCAL_MACHINE, opened with KEY_ALL_ACCESS
// (the program, which runs elevated), or with KEY_READ and never created (a
// reader without administrator rights, such as vantrelctl list).
// Windows build only.
#pragma once

#include "registry/registry.h"

namespace vantrel {

class WinRegistry : public Registry {
public:
    enum class Access { Full, Read };
    explicit WinRegistry(Access access = Access::Full) : access_(access) {}
    ~WinRegistry() override;
    WinRegistry(const WinRegistry&) = delete;
    WinRegistry& operator=(const WinRegistry&) = delete;

    bool OpenKey(const std::string& path, bool create) override;
    void CloseKey() override;
    bool ValueExists(const std::string& name) override;
    ValueType TypeOf(const std::string& name) override;
    std::string ReadString(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& value) override;
    std::int32_t ReadInteger(const std::string& name) override;
    void WriteInteger(const std::string& name, std::int32_t value) override;
    bool DeleteValue(const std::string& name) override;
    std::uint32_t ValueCount() override;
    std::vector<std::string> ValueNames() override;
    std::unique_ptr<Registry> NewAccessor() override {
        return std::unique_ptr<Registry>(new WinRegistry(access_));
    }

    // The system's error code of the last open or write that failed (0: none),
    // for a message that says why, e.g. ERROR_ACCESS_DENIED without
    // administrator rights.
    long lastError() const { return lastError_; }

    // Removes a key and everything below it (tests start from an empty key).
    static void DeleteTree(const std::string& path);

private:
    void* key_ = nullptr;  // HKEY of the open key
    Access access_ = Access::Full;
    long lastError_ = 0;
};

}  // namespace vantrel
