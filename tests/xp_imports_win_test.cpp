// The program's own GetTickCount64 import: found in kernel32 where Windows
// has it, and on Windows XP the 32-bit count widened across its wraps.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "app/xp_imports_win.h"

using TickCount64Fn = ULONGLONG(WINAPI*)();
extern "C" TickCount64Fn vantrel_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");

namespace vantrel {
namespace {

TEST(XpImports, TheWidenedCountGoesOnAcrossEachWrap) {
    const struct {
        std::uint32_t now;
        std::uint64_t widened;
    } steps[] = {
        {5, 5},
        {0xFFFFFFF0u, 0xFFFFFFF0u},
        {3, 0x100000003ull},             // wrapped
        {3, 0x100000003ull},             // the same millisecond again
        {0xFFFFFFFFu, 0x1FFFFFFFFull},
        {0, 0x200000000ull},             // wrapped a second time
    };
    TickWiden widen;
    for (const auto& step : steps) EXPECT_EQ(widen.Widen(step.now), step.widened) << step.now;
}

TEST(XpImports, TheImportFindsKernelsFunctionWhereWindowsHasIt) {
    const DWORD before = GetTickCount();
    const ULONGLONG now = vantrel_imp_GetTickCount64();
    const DWORD after = GetTickCount();
    EXPECT_LE(static_cast<DWORD>(now) - before, after - before);
    auto kernels = reinterpret_cast<TickCount64Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    ASSERT_NE(kernels, nullptr);  // Wine, like Vista and later, has it
    EXPECT_EQ(vantrel_imp_GetTickCount64, kernels);
}

}  // namespace
}  // namespace vantrel
