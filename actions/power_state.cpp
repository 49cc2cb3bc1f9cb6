#include "actions/power_state.h"

#include "actions/countdown_model.h"

namespace vantrel {

namespace {

const char kNoSleep[] = "这台计算机不能待机：Windows 报告睡眠状态 S1、S2、S3 都不可用";
// Modern Standby has no S3; Windows enters it only when the screen goes off,
// never when a program asks: standby is the display off, but a sleep with a
// wake timer cannot be had.
const char kModernStandby[] = "这台计算机使用现代待机（S0 低功耗空闲），程序不能让它待机";
const char kHibernationOff[] = "休眠已关闭，可用 powercfg /h on 打开";
const char kNoHibernation[] = "这台计算机不支持休眠";

}  // namespace

PowerNeed NeedOfWord(const std::string& word) {
    switch (PowerOpFor(word)) {
        case PowerOp::Standby: return PowerNeed::Standby;
        case PowerOp::Hibernate: return PowerNeed::Sleep;
        default: return PowerNeed::Nothing;
    }
}

bool StandbyByDisplayOff(const PowerCapabilities& caps) { return !caps.sleepStates && caps.modernStandby; }

std::string PowerRefusal(PowerNeed need, const PowerCapabilities& caps) {
    switch (need) {
        case PowerNeed::Standby:
            if (StandbyByDisplayOff(caps)) return std::string();
            [[fallthrough]];
        case PowerNeed::Sleep:
            if (caps.sleepStates) return std::string();
            return caps.modernStandby ? kModernStandby : kNoSleep;
        case PowerNeed::Hibernation:
            // Switched off (powercfg /h off) the file is gone, and S4 with
            // it: the usual case, and the one the user can mend.
            if (!caps.hiberFile) return kHibernationOff;
            return caps.hibernation ? std::string() : kNoHibernation;
        case PowerNeed::Nothing: break;
    }
    return std::string();
}

std::string PowerFailureText(const std::string& name, const std::string& systemText) {
    return name + "失败：" + systemText;
}

std::string CannotWakeText(const std::string& systemText) {
    return "这台计算机不能由定时器唤醒，自动开机没有生效：" + systemText;
}

SleepWatch::Waking SleepWatch::Resumed(bool byProgramTimer) {
    Waking w;
    w.showCountdown = interrupted_;
    w.keepOn = byProgramTimer;
    w.notice = notice_;
    interrupted_ = false;
    notice_.clear();
    return w;
}

}  // namespace vantrel
