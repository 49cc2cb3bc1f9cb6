// The task store's side of the policies (store/policy.h): what they refuse,
// and the copies laid over with what they hold.
#include <algorithm>

#include "store/extra_settings.h"
#include "store/task_store.h"

namespace vantrel {

void ApplyPolicies(Settings& settings) {
    const Policies& held = settings.policies;
    if (const PolicyValue* p = held.Find(kValCountdown)) settings.countdownLength = p->number;
    if (const PolicyValue* p = held.Find(kValCloseAll)) settings.closeAll = p->number;
    if (const PolicyValue* p = held.Find(kValSoundPath)) settings.soundPath = p->textValue;
    if (const PolicyValue* p = held.Find(kValCtrlHotkeys)) settings.ctrlFlag = p->number;
    for (const ExtraSetting& e : ExtraSettings())
        if (const PolicyValue* p = held.Find(e.name)) settings.*e.copy = p->number;
}

Policies TaskStore::ReadPolicies() { return vantrel::ReadPolicies(reg_, policyKey_); }

void TaskStore::RefuseTaskChange() {
    if (!taskPolicyExempt_ && ReadPolicies().noTaskChanges) throw PolicyRefused(TaskChangeRefusal());
}

void TaskStore::RefuseHeldSetting(const SettingEntry& setting, const Policies& policies) {
    if (const PolicyValue* p = policies.Find(setting.name))
        throw PolicyRefused(SettingRefusal(setting.name, p->text ? p->textValue : std::to_string(p->number)));
}

std::optional<std::string> TaskStore::ReadStoredSetting(const SettingEntry& setting) {
    OpenedKey key(reg_, programKey_, false);
    if (!key.ok() || !reg_.ValueExists(setting.name)) return std::nullopt;
    if (setting.text) return reg_.ReadString(setting.name);
    return std::to_string(reg_.ReadInteger(setting.name));
}

void TaskStore::ReadOwnCopies(Settings& settings) {
    OpenedKey key(reg_, programKey_, false);
    if (!key.ok()) return;
    // A value that cannot be read keeps its copy: start-up has told of it.
    const auto integer = [&](const char* name, std::int32_t& copy) {
        if (reg_.TypeOf(name) == ValueType::DWord) copy = reg_.ReadInteger(name);
    };
    integer(kValCountdown, settings.countdownLength);
    integer(kValCloseAll, settings.closeAll);
    integer(kValCtrlHotkeys, settings.ctrlFlag);
    const ValueType sound = reg_.TypeOf(kValSoundPath);
    if (sound == ValueType::String || sound == ValueType::ExpandString)
        settings.soundPath = reg_.ReadString(kValSoundPath);
    for (const ExtraSetting& s : ExtraSettings()) {
        settings.*s.copy = s.defaultValue;
        if (reg_.TypeOf(s.name) != ValueType::DWord) continue;
        const std::int32_t v = reg_.ReadInteger(s.name);
        if (v >= s.minimum && v <= s.maximum) settings.*s.copy = v;
    }
}

std::vector<std::string> TaskStore::RefreshPolicies(Settings& settings, bool* changed) {
    Policies now = ReadPolicies();
    if (changed) *changed = now != settings.policies;
    std::vector<std::string> told;
    if (now == settings.policies) return told;
    for (const std::string& message : now.ignored)
        if (std::find(settings.policies.ignored.begin(), settings.policies.ignored.end(), message) ==
            settings.policies.ignored.end())
            told.push_back(message);
    // The user's own values first, as the program key holds them now (no
    // policy was ever copied there), then the policies over them.
    ReadOwnCopies(settings);
    settings.policies = std::move(now);
    ApplyPolicies(settings);
    return told;
}

}  // namespace vantrel
