// The schedule text: a two-character kind word followed by fields, each ended
// by a unit word, read by byte positions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

enum class ScheduleKind { None, Idle, Once, Daily, Weekly, Monthly, Yearly, Startup, Interval };

// Kind words, in the order in which the tick tries them.
extern const char* const kKindIdle;      // "空闲"
extern const char* const kKindOnce;      // "一次"
extern const char* const kKindDaily;     // "每天"
extern const char* const kKindWeekly;    // "每周"
extern const char* const kKindMonthly;   // "每月"
extern const char* const kKindYearly;    // "每年"
extern const char* const kKindStartup;   // "开机"
extern const char* const kKindInterval;  // "每隔"

// Unit words.
extern const char* const kUnitMinutes;        // "分钟"
extern const char* const kUnitMinutesFrom;    // "分开始"
extern const char* const kUnitDay;            // "日"
extern const char* const kUnitHour;           // "时"
extern const char* const kUnitMinute;         // "分"
extern const char* const kUnitMonth;          // "月"

// Stop bytes: the first byte of each unit word.
constexpr unsigned char kStopMinute = 0xB7;  // "分", "分钟", "分开始"
constexpr unsigned char kStopHour = 0xCA;    // "时"
constexpr unsigned char kStopDay = 0xC8;     // "日"
constexpr unsigned char kStopMonth = 0xD4;   // "月"

// The first two characters of the text (the text itself when shorter).
std::string ScheduleKindOf(const std::string& scheduleText);

// The kind whose word equals `kindWord` exactly; None for any other text.
ScheduleKind KindFromWord(const std::string& kindWord);
const char* KindWord(ScheduleKind kind);  // nullptr for None

struct ScanResult {
    std::string field;
    std::size_t stop;  // 1-based position of the stop byte, or length + 1
};

// The run of bytes from the 1-based position `start` up to, not including,
// the first byte at or after it equal to `stopByte`. Without such a byte the
// field runs to the end and the stop position is the length plus one; a start
// beyond the end gives an empty field and the start as stop position.
ScanResult ScanField(const std::string& text, std::size_t start, unsigned char stopByte);

// The same field as a view into `text`, for readers that only look at it.
struct ScanView {
    std::string_view field;
    std::size_t stop;
};
ScanView ScanFieldView(std::string_view text, std::size_t start, unsigned char stopByte);

// Composing: the kind word, then each field followed by its unit word, as the
// grammar lays down. Fields are given in grammar order; the count must match
// the kind (throws std::invalid_argument otherwise).
std::string ComposeSchedule(ScheduleKind kind, const std::vector<std::string>& fields);

}  // namespace vantrel
