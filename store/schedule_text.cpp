#include "store/schedule_text.h"

#include <stdexcept>

#include "text/gbk_text.h"

namespace vantrel {

const char* const kKindIdle = "空闲";
const char* const kKindOnce = "一次";
const char* const kKindDaily = "每天";
const char* const kKindWeekly = "每周";
const char* const kKindMonthly = "每月";
const char* const kKindYearly = "每年";
const char* const kKindStartup = "开机";
const char* const kKindInterval = "每隔";

const char* const kUnitMinutes = "分钟";
const char* const kUnitMinutesFrom = "分开始";
const char* const kUnitDay = "日";
const char* const kUnitHour = "时";
const char* const kUnitMinute = "分";
const char* const kUnitMonth = "月";

std::string ScheduleKindOf(const std::string& scheduleText) {
    // Characters, not bytes: a text that opens with single-byte characters
    // must not have a Chinese character cut in half.
    return FirstGbkChars(scheduleText, 2);
}

namespace {

struct KindEntry {
    ScheduleKind kind;
    const char* const* word;
};

// In the order in which the tick tries the kinds.
const KindEntry kKinds[] = {
    {ScheduleKind::Idle, &kKindIdle},       {ScheduleKind::Once, &kKindOnce},
    {ScheduleKind::Daily, &kKindDaily},     {ScheduleKind::Weekly, &kKindWeekly},
    {ScheduleKind::Monthly, &kKindMonthly}, {ScheduleKind::Yearly, &kKindYearly},
    {ScheduleKind::Startup, &kKindStartup}, {ScheduleKind::Interval, &kKindInterval},
};

}  // namespace

ScheduleKind KindFromWord(const std::string& kindWord) {
    for (const KindEntry& entry : kKinds) {
        if (kindWord == *entry.word) {
            return entry.kind;
        }
    }
    return ScheduleKind::None;
}

const char* KindWord(ScheduleKind kind) {
    for (const KindEntry& entry : kKinds) {
        if (entry.kind == kind) {
            return *entry.word;
        }
    }
    return nullptr;
}

ScanView ScanFieldView(std::string_view text, std::size_t start, unsigned char stopByte) {
    // Positions are 1-based like those of the stored format; a position of 0
    // is read as the first byte rather than wrapping around.
    if (start == 0) {
        start = 1;
    }
    if (start > text.size()) {
        return ScanView{std::string_view(), start};
    }
    const std::size_t from = start - 1;
    const std::size_t hit = text.find(static_cast<char>(stopByte), from);
    if (hit == std::string_view::npos) {
        return ScanView{text.substr(from), text.size() + 1};
    }
    return ScanView{text.substr(from, hit - from), hit + 1};
}

ScanResult ScanField(const std::string& text, std::size_t start, unsigned char stopByte) {
    const ScanView view = ScanFieldView(text, start, stopByte);
    return ScanResult{std::string(view.field), view.stop};
}

std::string ComposeSchedule(ScheduleKind kind, const std::vector<std::string>& fields) {
    std::vector<const char*> units;
    switch (kind) {
        case ScheduleKind::Idle:
            units = {kUnitMinutes};
            break;
        case ScheduleKind::Once:
        case ScheduleKind::Weekly:
        case ScheduleKind::Monthly:
            units = {kUnitDay, kUnitHour, kUnitMinute};
            break;
        case ScheduleKind::Daily:
        case ScheduleKind::Startup:
            units = {kUnitHour, kUnitMinute};
            break;
        case ScheduleKind::Yearly:
            units = {kUnitMonth, kUnitDay, kUnitHour, kUnitMinute};
            break;
        case ScheduleKind::Interval:
            units = {kUnitMinutesFrom, kUnitHour, kUnitMinute};
            break;
        case ScheduleKind::None:
            throw std::invalid_argument("a schedule text needs a schedule kind");
    }
    if (fields.size() != units.size()) {
        throw std::invalid_argument("wrong number of fields for the schedule kind");
    }
    std::string text = KindWord(kind);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        text += fields[i];
        text += units[i];
    }
    return text;
}

}  // namespace vantrel
