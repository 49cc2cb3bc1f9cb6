// The settings window's conversions: the wait before shutting down is stored
// in seconds and shown in minutes; the 下次运行 column.
#pragma once

#include <cstdint>
#include <string>

#include "scheduler/next_due.h"

namespace vantrel {

// Seconds / 60 in general format with up to 15 significant digits and no
// trailing zeros: 60 -> "1", 90 -> "1.5", 100 -> "1.66666666666667".
std::string FormatWaitMinutes(std::int32_t seconds);

// The wait box's text as a decimal number of minutes, times 60, rounded to
// whole seconds with halves to the even neighbour; an empty box is 60
// seconds. A text that is not a number, or whose seconds do not fit a signed
// 32-bit integer, raises ConversionError "'%s' is not a valid floating
// point value".
std::int32_t WaitTextToSeconds(const std::string& text);

// The 下次运行 cell of a task: its next run (NextRunText) while monitoring is
// on; with monitoring off nothing runs, so a task that would run says why
// it will not ("监控已关闭") and one that never runs shows "—" as before.
extern const char* const kMonitoringOffCell;  // "监控已关闭"
std::string NextRunCell(const NextRun& next, const LocalTime& now, bool monitoringOn);

// The caption a remaining row takes after record `deleted` was deleted.
int CaptionAfterDelete(int caption, int deleted);

}  // namespace vantrel
