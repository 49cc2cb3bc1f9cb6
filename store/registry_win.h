// The Win32 registry below HKEY_LOCAL_MACHINE, opened with KEY_ALL_ACCESS.
// Windows build only.
#pragma once

#include "store/registry.h"

namespace vantrel {

class WinRegistry : public Registry {
public:
    WinRegistry() = default;
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

    // Removes a key and everything below it (tests start from an empty key).
    static void DeleteTree(const std::string& path);

private:
    void* key_ = nullptr;  // HKEY of the open key
};

}  // namespace vantrel
