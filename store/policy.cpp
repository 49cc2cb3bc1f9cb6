#include "store/policy.h"

#include <cerrno>
#include <cstdlib>

#include "store/extra_settings.h"
#include "text/gbk_text.h"

namespace vantrel {

const char* const kPolicyKeyPath = "\\Software\\Policies\\Brelnix\\Vantrel";
const char* const kPolNoTaskChanges = "suoding";
const char* const kPolAlwaysOn = "changkai";
const char* const kPolNoExit = "butui";
const char kPolicyTooltip[] = "由管理员通过策略设置";

const std::vector<PolicySwitch>& PolicySwitches() {
    static const std::vector<PolicySwitch> all = {
        {kPolNoTaskChanges, "禁止更改任务", "Prevent changes to the tasks",
         "为 1 时不能添加、修改、删除、启用或禁用任务：设置窗口的这些按钮变灰，vantrelctl 的 add、change、"
         "delete、enable、disable、import 拒绝执行。计算机的系统帐户（组策略启动脚本、管理工具的脚本）仍可用 "
         "vantrelctl import 写入任务列表。",
         "When 1, no task can be added, changed, deleted, enabled or disabled: the settings window greys "
         "those buttons, and vantrelctl add, change, delete, enable, disable and import refuse. The "
         "machine's SYSTEM account (a Group Policy startup script, a management tool's script) can still "
         "write the task list with vantrelctl import."},
        {kPolAlwaysOn, "禁止暂停和关闭监控", "Prevent pausing and switching monitoring off",
         "为 1 时托盘菜单的暂停和关闭监控不可用，倒计时的取消也不关闭监控。",
         "When 1, the tray menu's pause and monitoring switch are unavailable, and cancelling a countdown "
         "does not switch monitoring off."},
        {kPolNoExit, "禁止退出", "Prevent exiting from the tray",
         "为 1 时托盘菜单的退出不可用。", "When 1, the tray menu's Exit item is unavailable."},
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

const PolicyValue* Policies::Find(const std::string& settingName) const {
    for (const PolicyValue& v : values)
        if (AsciiUpper(v.name) == AsciiUpper(settingName)) return &v;
    return nullptr;
}

namespace {

std::string Range(std::int32_t minimum, std::int32_t maximum) {
    return std::to_string(minimum) + " 到 " + std::to_string(maximum);
}

// A DWORD of the policy key within minimum..maximum; the message of why it
// is ignored otherwise.
bool ReadNumber(Registry& reg, const std::string& name, std::int32_t minimum, std::int32_t maximum,
                std::int32_t& number, std::vector<std::string>& ignored) {
    const std::string prefix = "策略值 " + name;
    if (reg.TypeOf(name) != ValueType::DWord) {
        ignored.push_back(prefix + " 不是 REG_DWORD，已忽略");
        return false;
    }
    const std::int32_t v = reg.ReadInteger(name);
    if (v < minimum || v > maximum) {
        ignored.push_back(prefix + " 为 " + std::to_string(v) + "，不在 " + Range(minimum, maximum) +
                          " 之间，已忽略");
        return false;
    }
    number = v;
    return true;
}

}  // namespace

Policies ReadPolicies(Registry& reg, const std::string& policyKey) {
    Policies p;
    if (policyKey.empty()) return p;
    OpenedKey key(reg, policyKey, false);
    if (!key.ok()) return p;
    for (const SettingEntry& s : AllSettings()) {
        try {
            if (!reg.ValueExists(s.name)) continue;
            PolicyValue v;
            v.name = s.name;
            v.text = s.text;
            if (s.text) {
                const ValueType type = reg.TypeOf(s.name);
                if (type != ValueType::String && type != ValueType::ExpandString) {
                    p.ignored.push_back(std::string("策略值 ") + s.name + " 不是 REG_SZ，已忽略");
                    continue;
                }
                v.textValue = reg.ReadString(s.name);
            } else if (!ReadNumber(reg, s.name, s.minimum, s.maximum, v.number, p.ignored)) {
                continue;
            }
            p.values.push_back(v);
        } catch (const RegistryError& e) {
            p.ignored.push_back(std::string("策略值 ") + s.name + " 无法读取（" + e.what() + "），已忽略");
        }
    }
    for (const PolicySwitch& s : PolicySwitches()) {
        try {
            std::int32_t on = 0;
            if (!reg.ValueExists(s.name) || !ReadNumber(reg, s.name, 0, 1, on, p.ignored)) continue;
            const std::string name = s.name;
            bool& flag = name == kPolNoTaskChanges ? p.noTaskChanges : name == kPolAlwaysOn ? p.alwaysOn : p.noExit;
            flag = on == 1;
        } catch (const RegistryError& e) {
            p.ignored.push_back(std::string("策略值 ") + s.name + " 无法读取（" + e.what() + "），已忽略");
        }
    }
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
