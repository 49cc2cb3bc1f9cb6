#include "app/startup_win.h"

#include "actions/system_ops.h"
#include "text/codepage_win.h"

#include <string.h>

#include <memory>
#include <vector>

namespace vantrel {

namespace {

// Owns a kernel handle.
class Handle {
public:
    Handle() = default;
    ~Handle() {
        if (h_) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* out() { return &h_; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_ = nullptr;
};

}  // namespace

const OSVERSIONINFOA& SystemVersion() {
    static OSVERSIONINFOA info = [] {
        OSVERSIONINFOA v = {};
        v.dwOSVersionInfoSize = sizeof v;  // 148
        GetVersionExA(&v);
        return v;
    }();
    return info;
}

void EnableShutdownPrivilege() {
    const OSVERSIONINFOA& v = SystemVersion();
    if (v.dwMajorVersion < 5 && v.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out()))
        return;
    TOKEN_PRIVILEGES tp = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) return;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr);
}

std::string UserName() {
    wchar_t buffer[257] = {0};
    DWORD size = sizeof buffer / sizeof buffer[0];
    if (!GetUserNameW(buffer, &size)) return std::string();
    return Narrow(buffer);
}

std::uint32_t SecondsSinceStart() {
    return static_cast<std::uint32_t>(MsSinceSwitchedOnNow() / 1000);
}

std::string WindowsVersionText() {
    const OSVERSIONINFOA& v = SystemVersion();
    std::string text = std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
                       "." + std::to_string(v.dwBuildNumber);
    const std::string pack(v.szCSDVersion, strnlen(v.szCSDVersion, sizeof v.szCSDVersion));
    return pack.empty() ? text : text + " " + pack;
}

}  // namespace vantrel
