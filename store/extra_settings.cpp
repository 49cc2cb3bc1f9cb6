#include "store/extra_settings.h"

#include <cerrno>
#include <cstdlib>

#include "text/gbk_text.h"

namespace vantrel {

const std::vector<ExtraSetting>& ExtraSettings() {
    static const std::vector<ExtraSetting> all = {
        {"tiqian", "提前提醒", "分钟", 5, 0, 1440, &Settings::warnMinutes,
         "注销、待机、休眠、重启、关机等任务到时之前几分钟，在托盘图标上方提醒；0 表示不提醒。"},
        {"manglu", "忙时推迟", "", 0, 0, 1, &Settings::busyWait,
         "这类任务到时计算机正忙，就先不倒计时，每分钟再看一次，不忙时再开始。忙：前台是全屏程序，"
         "或上一分钟处理器、网络高于下面的值。"},
        {"mangxian", "忙时最长等待", "分钟", 120, 1, 1440, &Settings::busyLimitMinutes,
         "忙时推迟最多等这么多分钟（1 到 1440），之后不论忙不忙都开始倒计时。"},
        {"mangcpu", "处理器使用率高于", "%", 80, 0, 100, &Settings::busyProcessorPercent,
         "上一分钟处理器平均使用率高于这个百分比时算忙；0 表示不看处理器。"},
        {"mangwang", "网络流量高于", "KB/秒", 100, 0, 1000000, &Settings::busyNetworkKBps,
         "上一分钟网络流量高于这么多 KB/秒时算忙；0 表示不看网络。"},
        {"baohu", "取消和推迟需要管理员", "", 0, 0, 1, &Settings::adminChoices,
         "勾选后，只有管理员能取消或推迟倒计时、跳过提醒过的一次；标准用户的倒计时窗口没有“取消”和“推迟”。"},
    };
    return all;
}

const ExtraSetting* FindExtraSetting(const std::string& nameOrLabel) {
    for (const ExtraSetting& s : ExtraSettings())
        if (AsciiUpper(nameOrLabel) == AsciiUpper(s.name) || nameOrLabel == s.label) return &s;
    return nullptr;
}

const std::vector<SettingEntry>& AllSettings() {
    static const std::vector<SettingEntry> all = [] {
        std::vector<SettingEntry> v = {
            // The settings window's own labels, so that one word names one
            // setting in the window, the help and vantrelctl.
            {kValCountdown, "关机前等待", "秒", false, 60, 0, 86400},
            {kValSoundPath, "关机前声音提示", "", true, 0, 0, 0},
            {kValGreeting, "显示开机时间", "", false, 0, 0, 1},
            {kValCtrlHotkeys, "使用Ctrl热键", "", false, 0, 0, 1},
            {kValCloseAll, "待机前关闭所有程序", "", false, 0, 0, 1},
        };
        for (const ExtraSetting& e : ExtraSettings())
            v.push_back({e.name, e.label, e.unit, false, e.defaultValue, e.minimum, e.maximum});
        return v;
    }();
    return all;
}

const SettingEntry* FindSetting(const std::string& nameOrLabel) {
    // The labels vantrelctl used before it took the window's, which scripts
    // may still name.
    static const struct {
        const char* label;
        const char* name;
    } kFormerLabels[] = {{"倒计时长度", kValCountdown},
                         {"声音文件", kValSoundPath},
                         {"Ctrl 热键", kValCtrlHotkeys},
                         {"关闭所有程序", kValCloseAll}};
    std::string wanted = nameOrLabel;
    for (const auto& former : kFormerLabels)
        if (wanted == former.label) wanted = former.name;
    for (const SettingEntry& s : AllSettings())
        if (AsciiUpper(wanted) == AsciiUpper(s.name) || wanted == s.label) return &s;
    return nullptr;
}

std::int32_t SettingInEffect(const SettingEntry& setting, std::int32_t stored) {
    if (setting.text || (stored >= setting.minimum && stored <= setting.maximum)) return stored;
    const std::string name = setting.name;
    // The countdown counts a negative length as 0 (actions/countdown_model.h)
    // and runs any other length as it is.
    if (name == kValCountdown) return stored < 0 ? 0 : stored;
    // The close-all flag and kaiji are on only at exactly 1; the Ctrl flag at
    // anything but 0.
    if (name == kValCtrlHotkeys) return stored != 0 ? 1 : 0;
    if (name == kValCloseAll || name == kValGreeting) return stored == 1 ? 1 : 0;
    return setting.defaultValue;
}

std::string SettingNames() {
    std::string names;
    for (const SettingEntry& s : AllSettings())
        names += (names.empty() ? "" : "、") + std::string(s.name) + "（" + s.label + "）";
    return names;
}

bool IsSwitch(const SettingEntry& setting) {
    return !setting.text && setting.minimum == 0 && setting.maximum == 1;
}

std::string CheckExtraSetting(const ExtraSetting& setting, const std::string& text, std::int32_t& value) {
    return CheckSettingNumber(*FindSetting(setting.name), text, value);
}

std::string CheckSettingNumber(const SettingEntry& setting, const std::string& text, std::int32_t& value) {
    const std::string range = std::to_string(setting.minimum) + " 到 " + std::to_string(setting.maximum);
    bool digits = !text.empty() && text.size() <= 9;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    const long n = digits ? std::strtol(text.c_str(), nullptr, 10) : -1;
    // A number is written without leading zeros, as everywhere a number is
    // given (a timer, a task number, a schedule's clock time).
    const bool leadingZero = digits && text.size() > 1 && text[0] == '0';
    if (!digits || leadingZero || n < setting.minimum || n > setting.maximum)
        return std::string(setting.label) + "应为 " + range + " 之间的整数" + (leadingZero ? "，不带前导零" : "") +
               (*setting.unit ? std::string("（单位：") + setting.unit + "）" : std::string());
    value = static_cast<std::int32_t>(n);
    return std::string();
}

// Read without the lock: nothing is written.
void TaskStore::LoadExtraSettings(Settings& settings, std::vector<std::string>& errors) {
    for (const ExtraSetting& s : ExtraSettings()) {
        try {
            if (!reg_.ValueExists(s.name)) continue;
            const std::int32_t v = reg_.ReadInteger(s.name);
            // A hand-edited value out of range counts as the default.
            settings.*s.copy = v >= s.minimum && v <= s.maximum ? v : s.defaultValue;
        } catch (const RegistryError& e) {
            errors.push_back(e.what());
        }
    }
}

std::int32_t TaskStore::ReadExtraSetting(const ExtraSetting& setting) {
    const Policies policies = ReadPolicies();
    if (const PolicyValue* p = policies.Find(setting.name)) return p->number;
    OpenedKey key(reg_, programKey_, false);
    if (!key.ok() || !reg_.ValueExists(setting.name)) return setting.defaultValue;
    const std::int32_t v = reg_.ReadInteger(setting.name);
    return v >= setting.minimum && v <= setting.maximum ? v : setting.defaultValue;
}

std::string TaskStore::ReadSetting(const SettingEntry& setting) {
    OpenedKey key(reg_, programKey_, false);
    const bool stored = key.ok() && reg_.ValueExists(setting.name);
    if (setting.text) return stored ? reg_.ReadString(setting.name) : std::string();
    return std::to_string(stored ? reg_.ReadInteger(setting.name) : setting.defaultValue);
}

void TaskStore::WriteSetting(const SettingEntry& setting, const std::string& value) {
    std::int32_t number = 0;
    if (!setting.text && !CheckSettingNumber(setting, value, number).empty()) return;
    WriteGuard guard(*this);
    RefuseHeldSetting(setting, ReadPolicies());
    OpenedKey key(reg_, programKey_);
    if (setting.text)
        reg_.WriteString(setting.name, value);
    else
        reg_.WriteInteger(setting.name, number);
}

void TaskStore::WriteExtraSetting(Settings& settings, const ExtraSetting& setting, std::int32_t value) {
    WriteGuard guard(*this);
    RefuseHeldSetting(*FindSetting(setting.name), ReadPolicies());
    OpenedKey key(reg_, programKey_);
    reg_.WriteInteger(setting.name, value);
    settings.*setting.copy = value;
}

}  // namespace vantrel
