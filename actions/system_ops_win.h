// What the real system operations compute with Windows' own calls, for the
// tests that give them facts of their choosing.
#pragma once

#include <windows.h>

#include "actions/wake_plan.h"

namespace vantrel {

// The wake plan's local date and time as UTC, in the time zone `zone`
// (nullptr: the computer's), with the daylight-saving bias in force on that
// date; false when Windows cannot convert it.
bool WakeTimeUtc(const WakePlan& at, const TIME_ZONE_INFORMATION* zone, FILETIME& utc);

}  // namespace vantrel
