// Keeps the shipped programs loadable on Windows XP, whose kernel32 lacks
// GetTickCount64.
//
// The program's time since start-up (actions/system_ops_win.cpp) calls
// GetTickCount64 through its import pointer. An import-table entry for a
// function the system lacks stops the loader before any of the program's
// code runs, so xp_imports_win.cpp defines that import pointer itself: the
// linker then takes the definition instead of adding the import. The first
// call looks the function up in kernel32 and uses it where Windows has it
// (Vista and later); on XP it counts the wraps of the 32-bit GetTickCount.
//
// Every shipped program links the object library vantrel_xp_imports
// directly (not through a static library, which the linker might not open
// before it reaches kernel32's import library).
#pragma once

#include <cstdint>

namespace vantrel {

// A 32-bit millisecond count widened to 64 bits, for a caller that asks at
// least once every 49.7 days (the runtime asks only while it waits).
class TickWiden {
public:
    std::uint64_t Widen(std::uint32_t now);

private:
    std::uint32_t last_ = 0;
    std::uint64_t wraps_ = 0;
};

}  // namespace vantrel
