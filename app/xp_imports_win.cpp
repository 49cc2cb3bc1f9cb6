#include "app/xp_imports_win.h"

#include <windows.h>

namespace vantrel {

std::uint64_t TickWiden::Widen(std::uint32_t now) {
    if (now < last_) ++wraps_;
    last_ = now;
    return (wraps_ << 32) | now;
}

}  // namespace vantrel

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI TickCountOnXp() {
    static vantrel::TickWiden widen;
    return widen.Widen(GetTickCount());
}

ULONGLONG WINAPI FirstTickCount64();

}  // namespace

// The import pointer the runtime calls through, under the name the linker
// would otherwise resolve from kernel32's import library. It starts at the
// look-up, which replaces it with the function to use from then on.
extern "C" TickCount64Fn vantrel_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");
extern "C" {
TickCount64Fn vantrel_imp_GetTickCount64 = FirstTickCount64;
}

namespace {

ULONGLONG WINAPI FirstTickCount64() {
    TickCount64Fn found = nullptr;
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
        found = reinterpret_cast<TickCount64Fn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")));
    vantrel_imp_GetTickCount64 = found ? found : TickCountOnXp;
    return vantrel_imp_GetTickCount64();
}

}  // namespace
