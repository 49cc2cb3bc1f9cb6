// Settings an administrator sets by policy: values of the policy key, which
// Group Policy and management tools write and remove. Every setting of the
// program key can be held there under its own name, with its own range and
// meaning; a policy value wins over the program key's and is never copied
// into it, so removing the policy brings the user's own value back. Three
// switches beyond the settings keep users from changing the tasks, from
// pausing or switching monitoring off, and from ending the program.
//
// The policy key is only read: nothing of the program writes it.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantrel {

extern const char* const kPolicyKeyPath;  // "\Software\Policies\Brelnix\Vantrel"

// The switches beyond the settings, REG_DWORD 1 on, 0 (or missing) off.
extern const char* const kPolNoTaskChanges;  // "suoding": no task added, changed, deleted, enabled or disabled
extern const char* const kPolAlwaysOn;       // "changkai": no pause, monitoring never switched off
extern const char* const kPolNoExit;         // "butui": no 退出 from the tray

struct PolicySwitch {
    const char* name;
    const char* label;  // what the refusal and the templates call it
};
const std::vector<PolicySwitch>& PolicySwitches();

// Where the value a setting has comes from.
enum class ValueSource { ProgramKey, Policy, Default };
// "program key", "policy", "default": as vantrelctl --json gives it.
const char* SourceWord(ValueSource source);

// One value of the policy key the program goes by.
struct PolicyValue {
    const char* name = "";  // the settings table's own
    bool text = false;
    std::string textValue;
    std::int32_t number = 0;
    bool operator==(const PolicyValue& o) const {
        return std::strcmp(name, o.name) == 0 && text == o.text && textValue == o.textValue && number == o.number;
    }
};

// What the policy key holds, as read at one moment.
struct Policies {
    std::vector<PolicyValue> values;  // settings held by policy, each valid
    bool noTaskChanges = false;
    bool alwaysOn = false;
    bool noExit = false;
    // One message per value of the policy key that is ignored (out of
    // range, of the wrong type), as the history tells it.
    std::vector<std::string> ignored;

    // By value name, in any letter case.
    const PolicyValue* Find(const char* settingName) const;
    bool Holds(const char* settingName) const { return Find(settingName) != nullptr; }
    bool operator==(const Policies& o) const {
        return values == o.values && noTaskChanges == o.noTaskChanges && alwaysOn == o.alwaysOn &&
               noExit == o.noExit && ignored == o.ignored;
    }
    bool operator!=(const Policies& o) const { return !(*this == o); }
};

// Reads the policy key through `reg` (which closes the key open before it);
// nothing when the key or `policyKey` (empty: no policies) does not exist.
// Any value of the key not named here is left alone.
Policies ReadPolicies(Registry& reg, const std::string& policyKey);

// A writer refused because a policy holds what it would change: the message
// names the policy.
class PolicyRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "管理员已通过策略 suoding（禁止更改任务）禁止……": the refusal of a task change.
std::string TaskChangeRefusal();
// The refusal of setting `name`, which a policy holds at `value` (shown).
std::string SettingRefusal(const std::string& name, const std::string& value);
// The tooltip of every control a policy sets.
extern const char kPolicyTooltip[];  // "由管理员通过策略设置"

struct SettingEntry;

// A setting's value as the program goes by it, and where it comes from.
struct EffectiveSetting {
    std::string value;  // an integer in decimal, or the text
    ValueSource source = ValueSource::Default;
    // A stored integer out of range, which `value` replaces as the program
    // takes it (SettingInEffect).
    bool outOfRange = false;
    std::int32_t stored = 0;
};
// `stored` is the program key's value as text (nullopt when missing).
EffectiveSetting EffectiveValue(const SettingEntry& setting, const Policies& policies,
                                const std::optional<std::string>& stored);

}  // namespace vantrel
