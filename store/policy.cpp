#include "store/policy.h"

#include <cerrno>
#include <cstdlib>

#include "store/extra_settings.h"

namespace vantrel {

const char* const kPolicyKeyPath = "\\Software\\Policies\\Brelnix\\Vantrel";
const char* const kPolNoTaskChanges = "suoding";
const char* const kPolAlwaysOn = "changkai";
const char* const kPolNoExit = "butui";
const char kPolicyTooltip[] = "由管理员通过策略设置";

const std::vector<PolicySwitch>& PolicySwitches() {
    static const std::vector<PolicySwitch> all = {
        {kPolNoTaskChanges, "禁止更改任务"},
        {kPolAlwaysOn, "禁止暂停和关闭监控"},
        {kPolNoExit, "禁止退出"},
    };
    return all;
}

const char* SourceWord(ValueSource source) {
    switch (source) {
        case ValueSource::Policy:
            return "policy";
        case ValueSource::ProgramKey:
            return "program key";
        case ValueSource::Default:
            break;
    }
    return "default";
}

namespace {

// Value names compare in any letter case, as the registry compares them.
bool SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        const char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (x != y) return false;
        if (!x) return true;
    }
}

}  // namespace

const PolicyValue* Policies::Find(const char* settingName) const {
    for (const PolicyValue& v : values)
        if (SameName(v.name, settingName)) return &v;
    return nullptr;
}

namespace {

// One value of the policy key that is ignored, and why.
void Ignore(std::vector<std::string>& ignored, const char* name, const std::string& why) {
    ignored.push_back(std::string("策略值 ") + name + " " + why + "，已忽略");
}

// A DWORD of the policy key within minimum..maximum; otherwise why it is
// ignored.
bool ReadNumber(Registry& reg, const char* name, std::int32_t minimum, std::int32_t maximum,
                std::int32_t& number, std::vector<std::string>& ignored) {
    if (reg.TypeOf(name) != ValueType::DWord) {
        Ignore(ignored, name, "不是 REG_DWORD");
        return false;
    }
    const std::int32_t v = reg.ReadInteger(name);
    if (v < minimum || v > maximum) {
        Ignore(ignored, name, "为 " + std::to_string(v) + "，不在 " + std::to_string(minimum) + " 到 " +
                                  std::to_string(maximum) + " 之间");
        return false;
    }
    number = v;
    return true;
}

// Reads one value, its problems said in `ignored`; false when it is missing
// or ignored.
bool ReadOne(Registry& reg, const char* name, bool text, std::int32_t minimum, std::int32_t maximum,
             PolicyValue& v, std::vector<std::string>& ignored) {
    try {
        if (!reg.ValueExists(name)) return false;
        v.name = name;
        v.text = text;
        if (!text) return ReadNumber(reg, name, minimum, maximum, v.number, ignored);
        const ValueType type = reg.TypeOf(name);
        if (type != ValueType::String && type != ValueType::ExpandString) {
            Ignore(ignored, name, "不是 REG_SZ");
            return false;
        }
        v.textValue = reg.ReadString(name);
        return true;
    } catch (const RegistryError& e) {
        Ignore(ignored, name, std::string("无法读取（") + e.what() + "）");
        return false;
    }
}

}  // namespace

Policies ReadPolicies(Registry& reg, const std::string& policyKey) {
    Policies p;
    if (policyKey.empty()) return p;
    OpenedKey key(reg, policyKey, false);
    if (!key.ok()) return p;
    PolicyValue v;
    for (const SettingEntry& s : AllSettings())
        if (ReadOne(reg, s.name, s.text, s.minimum, s.maximum, v, p.ignored)) p.values.push_back(v);
    bool* const flags[] = {&p.noTaskChanges, &p.alwaysOn, &p.noExit};
    const char* const names[] = {kPolNoTaskChanges, kPolAlwaysOn, kPolNoExit};
    for (int i = 0; i < 3; ++i)
        *flags[i] = ReadOne(reg, names[i], false, 0, 1, v, p.ignored) && v.number == 1;
    return p;
}

std::string TaskChangeRefusal() {
    return std::string("管理员已通过策略 ") + kPolNoTaskChanges + "（禁止更改任务）禁止添加、修改、删除、启用或禁用任务";
}

std::string SettingRefusal(const std::string& name, const std::string& value) {
    return "设置 " + name + " 由管理员通过策略 " + name + " 设置为 " + value + "，不能更改";
}

EffectiveSetting EffectiveValue(const SettingEntry& setting, const Policies& policies,
                                const std::optional<std::string>& stored) {
    EffectiveSetting e;
    if (const PolicyValue* p = policies.Find(setting.name)) {
        e.source = ValueSource::Policy;
        e.value = p->text ? p->textValue : std::to_string(p->number);
        return e;
    }
    if (!stored) {
        e.source = ValueSource::Default;
        e.value = setting.text ? std::string() : std::to_string(setting.defaultValue);
        return e;
    }
    e.source = ValueSource::ProgramKey;
    e.value = *stored;
    if (!setting.text) {
        const std::int32_t number = static_cast<std::int32_t>(std::strtol(stored->c_str(), nullptr, 10));
        if (number < setting.minimum || number > setting.maximum) {
            e.outOfRange = true;
            e.stored = number;
            e.value = std::to_string(SettingInEffect(setting, number));
        }
    }
    return e;
}

}  // namespace vantrel
