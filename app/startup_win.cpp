#include "app/startup_win.h"

#include "actions/system_ops.h"
#include "text/codepage_win.h"

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

bool IsAdministrator() {
    Handle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.out())) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return false;
    }
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
    if (size == 0) return false;
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) return false;

    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &admins))
        return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    bool found = false;
    // The group counts only when it is enabled: in a filtered token (an
    // administrator's program started without elevation, or a restricted
    // token) it is listed for deny only and gives no administrator rights.
    for (DWORD i = 0; i < groups->GroupCount && !found; ++i) {
        const DWORD attributes = groups->Groups[i].Attributes;
        found = EqualSid(groups->Groups[i].Sid, admins) != FALSE &&
                (attributes & SE_GROUP_ENABLED) != 0 &&
                (attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
    }
    FreeSid(admins);
    return found;
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

}  // namespace vantrel
