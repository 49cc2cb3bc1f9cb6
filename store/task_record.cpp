#include "store/task_record.h"

#include "store/schedule_text.h"

namespace vantrel {

const char* const kEnabledText = "启用";
const char* const kDisabledText = "禁用";
const char* const kNoWakeText = "不唤醒";

const char* const kActionNames[kActionCount] = {
    "提醒",       "打开文件",   "关闭程序",   "断开拨号",     "拨号连接",
    "注销计算机", "待机计算机", "休眠计算机", "重启计算机",   "关闭计算机",
    "快速重启",   "快速关机",   "清理系统垃圾", "禁用网卡",   "启用网卡",
};

bool IsEnabledText(const std::string& enabled) { return enabled == kEnabledText; }

int ActionIndexOf(const std::string& name) {
    for (int i = 0; i < kActionCount; ++i)
        if (name == kActionNames[i]) return i;
    return -1;
}

std::string RecordValueName(char letter, int n) { return std::string(1, letter) + std::to_string(n); }

bool IsNoWake(const std::string& wake) { return wake.empty() || wake == kNoWakeText; }

WakeParts ParseWakeChoice(const std::string& wake) {
    constexpr unsigned char kDayFirst = 0xCC;   // first byte of "天"
    constexpr unsigned char kDaySecond = 0xEC;  // second byte of "天"
    WakeParts parts;
    ScanResult day = ScanField(wake, 1, kDaySecond);
    parts.dayText = day.stop <= wake.size() ? wake.substr(0, day.stop) : wake;
    ScanResult n = ScanField(wake, 3, kDayFirst);
    ScanResult hour = ScanField(wake, n.stop + 2, kStopHour);
    ScanResult minute = ScanField(wake, hour.stop + 2, kStopMinute);
    parts.n = n.field;
    parts.hour = hour.field;
    parts.minute = minute.field;
    return parts;
}

std::string ComposeWakeChoice(const std::string& dayText, int hour, int minute) {
    return dayText + std::to_string(hour) + kUnitHour + std::to_string(minute) + "分唤醒";
}

}  // namespace vantrel
