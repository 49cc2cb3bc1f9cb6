#include <gtest/gtest.h>

#include <windows.h>

#include "text/codepage.h"
#include "text/codepage_win.h"
#include "registry/registry_win.h"
#include "tests/registry_fixture.h"

namespace vantrel {
namespace testing {

namespace {

std::string Relative(const std::string& path) {
    return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

class WinBackend : public RegistryBackend {
public:
    std::string name() const override { return "Win32"; }
    Registry& registry() override { return reg_; }
    void DeleteKey(const std::string& path) override { WinRegistry::DeleteTree(path); }
    bool KeyExists(const std::string& path) override {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Relative(path).c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    void PlantRaw(const std::string& path, const std::string& name, RawType type,
                  const std::string& bytes) override {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, Relative(path).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        // A text type holds the GBK bytes as the program would store them,
        // whatever the ANSI code page of the system the test runs on.
        const bool text = type == kRawSz || type == kRawExpandSz || type == kRawMultiSz;
        const std::string stored = text ? GbkToUtf16Le(bytes) : bytes;
        RegSetValueExW(key, Wide(name).c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(stored.data()),
                       static_cast<DWORD>(stored.size()));
        RegCloseKey(key);
    }

private:
    WinRegistry reg_;
};

// Every suite makes its key under HKLM\Software\Brelnix and deletes it
// again. On a machine that had no such folder before the run, the empty
// folder goes too, so the run leaves the registry as it found it.
class BrelnixFolder : public ::testing::Environment {
public:
    void SetUp() override { existed_ = WinBackend().KeyExists(kFolder); }
    void TearDown() override {
        if (!existed_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFolder + 1);  // only when empty
    }

private:
    static constexpr const char* kFolder = "\\Software\\Brelnix";
    bool existed_ = true;
};

const auto* const g_brelnixFolder = ::testing::AddGlobalTestEnvironment(new BrelnixFolder);

}  // namespace

std::unique_ptr<RegistryBackend> MakeWinBackend() {
    return std::unique_ptr<RegistryBackend>(new WinBackend);
}

}  // namespace testing
}  // namespace vantrel
