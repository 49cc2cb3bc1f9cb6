// vantrelctl settings [NAME VALUE] [--json]: every setting of the program
// key with its value and default, or one set, checked as the windows check
// it. A running Vantrel reads them when it starts. A value an administrator
// holds by policy shows as the policy sets it, and is not set here.
#include <cstdlib>

#include "cli/command_line.h"
#include "cli/json_text.h"
#include "cli/target.h"
#include "store/extra_settings.h"

namespace vantrel {

namespace {

const char* const kOnText = "开";
const char* const kOffText = "关";

std::string Shown(const SettingEntry& s, const std::string& value) {
    if (IsSwitch(s) && (value == "0" || value == "1")) return value == "1" ? kOnText : kOffText;
    return s.text ? TableText(value) : value + s.unit;
}

// The value as typed: a switch also takes 开 and 关, as the table shows it;
// a value may end in its unit as the table shows it ("90秒", "10分钟").
std::string AsStored(const SettingEntry& s, const std::string& typed) {
    if (IsSwitch(s) && typed == kOnText) return "1";
    if (IsSwitch(s) && typed == kOffText) return "0";
    const std::string unit = s.unit;
    if (!s.text && !unit.empty() && typed.size() > unit.size() &&
        typed.compare(typed.size() - unit.size(), unit.size(), unit) == 0)
        return typed.substr(0, typed.size() - unit.size());
    return typed;
}

std::string JsonValue(const SettingEntry& s, const std::string& value) {
    return s.text ? JsonString(value) : value;
}

}  // namespace

int RunSettings(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    if (inv.operands.size() == 1) throw UsageError{"vantrelctl: settings 要么不带参数，要么带 名称 值"};
    const SettingEntry* setting = nullptr;
    std::string value;  // to be stored
    if (inv.operands.size() == 2) {
        setting = FindSetting(inv.operands[0]);
        if (!setting)
            throw UsageError{"vantrelctl: 没有名为“" + inv.operands[0] + "”的设置；名称可以是 " + SettingNames()};
        value = AsStored(*setting, inv.operands[1]);
        std::int32_t number = 0;
        const std::string message = setting->text ? "" : CheckSettingNumber(*setting, value, number);
        if (!message.empty()) throw UsageError{"vantrelctl: " + message};
    }
    int status = kExitDone;
    std::unique_ptr<Target> target =
        Target::Open(inv, env, setting ? Target::Mode::Write : Target::Mode::Read, err, status);
    if (!target) return status;
    if (setting) {
        try {
            target->store().WriteSetting(*setting, value);
        } catch (const RegistryError& e) {
            err << "vantrelctl: " << target->WriteFailure(e) << "\n";
            return kExitFailed;
        }
        if (!target->Commit(err)) return kExitFailed;
    }
    const bool json = inv.Has("--json");
    if (json) out << "[";
    if (!json) out << "名称\t设置\t值\t默认\n";
    bool first = true;
    const Policies policies = target->store().ReadPolicies();
    for (const SettingEntry& s : AllSettings()) {
        if (setting && setting != &s) continue;
        EffectiveSetting effective;
        std::string error;
        try {
            effective = EffectiveValue(s, policies, target->store().ReadStoredSetting(s));
        } catch (const RegistryError& e) {
            error = InChinese(e.what());
        }
        const std::string& inEffect = effective.value;
        // A hand-edited value out of range shows as what the program goes
        // by, and says so; a value a policy holds says whose it is.
        std::string note;
        if (effective.outOfRange)
            note = "存储的值 " + std::to_string(effective.stored) + " 不在 " + std::to_string(s.minimum) + " 到 " +
                   std::to_string(s.maximum) + " 之间，程序按 " + Shown(s, inEffect) + " 运行";
        if (error.empty() && effective.source == ValueSource::Policy) note = kPolicyTooltip;
        const std::string def = s.text ? "" : std::to_string(s.defaultValue);
        if (json) {
            out << (first ? "\n" : ",\n") << "  {\"name\": " << JsonString(s.name) << ", \"label\": "
                << JsonString(s.label) << ", \"value\": " << (error.empty() ? JsonValue(s, inEffect) : "null")
                << ", \"default\": " << JsonValue(s, def) << ", \"unit\": " << JsonString(s.unit)
                << ", \"source\": " << (error.empty() ? JsonString(SourceWord(effective.source)) : "null")
                << ", \"error\": " << JsonOrNull(error.empty() ? (effective.outOfRange ? note : "") : error) << "}";
        } else {
            out << s.name << "\t" << s.label << "\t"
                << (error.empty() ? Shown(s, inEffect) + (note.empty() ? "" : "（" + note + "）") : "错误: " + error)
                << "\t" << Shown(s, def) << "\n";
        }
        first = false;
    }
    if (json) out << "\n]\n";
    return kExitDone;
}

}  // namespace vantrel
