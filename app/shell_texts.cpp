#include "app/shell_texts.h"

namespace vantrel {


const char* const kCancelledBalloonTitle = "已关闭监控";
const char* const kCancelledBalloonText =
    "取消倒计时也关闭了监控，之后的任务都不会执行。单击托盘图标，选择“启用监控”可重新启用；"
    "只想晚些执行这一次，请在倒计时中选择“推迟”。";

const char kCommandLogOff[] = "注销";
const char kCommandStandby[] = "待机";
const char kCommandHibernate[] = "休眠";
const char kCommandRestart[] = "重启";
const char kCommandPowerOff[] = "关机";
const char kCommandOpenCd[] = "打开光驱";
const char kCommandCloseCd[] = "关闭光驱";
const char kCommandMonitorOff[] = "关闭显示器";
const char kCommandCleanJunk[] = "清理系统垃圾";
const char kCommandFastRestart[] = "快速重启";
const char kCommandFastShutdown[] = "快速关机";

HotkeyCaptions MenuCaptionsFor(std::int32_t ctrlFlag, const std::string& userName) {
    HotkeyCaptions c;
    if (ctrlFlag == 0) {
        c.logOff = "注销(&L)  F8  " + userName;
        c.standby = "待机(&W)  F9";
        c.fastRestart = "快速重启(&I)  F10";
        c.fastShutdown = "快速关机(&Q)  F11";
    } else {
        c.logOff = "注销(&L) Ctrl+F8  " + userName;
        c.standby = "待机(&W) Ctrl+F9";
        c.fastRestart = "快速重启(&I) Ctrl+F10";
        c.fastShutdown = "快速关机(&Q) Ctrl+F11";
    }
    return c;
}

std::optional<std::string> UptimeGreeting(bool wanted, std::uint32_t secondsSinceStart) {
    if (!wanted || secondsSinceStart >= 300) return std::nullopt;
    std::uint32_t minutes = secondsSinceStart / 60, seconds = secondsSinceStart % 60;
    std::string text = "本次开机时间：";
    if (minutes != 0) text += std::to_string(minutes) + "分";
    return text + std::to_string(seconds) + "秒。";
}

}  // namespace vantrel
