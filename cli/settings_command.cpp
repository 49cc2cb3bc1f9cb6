// vantrelctl settings [NAME VALUE] [--json]: every setting of the program
// key with its value and default, or one set, checked as the windows check
// it. A running Vantrel reads them when it starts.
#include <cstdlib>

#include "cli/command_line.h"
#include "cli/json_text.h"
#include "cli/target.h"
#include "store/extra_settings.h"

namespace vantrel {

namespace {

std::string Shown(const SettingEntry& s, const std::string& value) {
    return s.text ? TableText(value) : value + s.unit;
}

std::string JsonValue(const SettingEntry& s, const std::string& value) {
    return s.text ? JsonString(value) : value;
}

}  // namespace

int RunSettings(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    if (inv.operands.size() == 1) throw UsageError{"vantrelctl: settings 要么不带参数，要么带 名称 值"};
    const SettingEntry* setting = nullptr;
    if (inv.operands.size() == 2) {
        setting = FindSetting(inv.operands[0]);
        if (!setting) throw UsageError{"vantrelctl: 没有名为“" + inv.operands[0] + "”的设置"};
        std::int32_t number = 0;
        const std::string message = setting->text ? "" : CheckSettingNumber(*setting, inv.operands[1], number);
        if (!message.empty()) throw UsageError{"vantrelctl: " + message};
    }
    int status = kExitDone;
    std::unique_ptr<Target> target =
        Target::Open(inv, env, setting ? Target::Mode::Write : Target::Mode::Read, err, status);
    if (!target) return status;
    if (setting) {
        try {
            target->store().WriteSetting(*setting, inv.operands[1]);
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
    for (const SettingEntry& s : AllSettings()) {
        if (setting && setting != &s) continue;
        std::string value, error;
        try {
            value = target->store().ReadSetting(s);
        } catch (const RegistryError& e) {
            error = InChinese(e.what());
        }
        // A hand-edited value out of range shows as what the program goes
        // by, and says so.
        std::string note;
        if (!s.text && error.empty()) {
            const std::int32_t stored = static_cast<std::int32_t>(std::strtol(value.c_str(), nullptr, 10));
            if (stored < s.minimum || stored > s.maximum) {
                value = std::to_string(SettingInEffect(s, stored));
                note = "存储的值 " + std::to_string(stored) + " 不在 " + std::to_string(s.minimum) + " 到 " +
                       std::to_string(s.maximum) + " 之间，程序按 " + Shown(s, value) + " 运行";
            }
        }
        const std::string def = s.text ? "" : std::to_string(s.defaultValue);
        if (json) {
            out << (first ? "\n" : ",\n") << "  {\"name\": " << JsonString(s.name) << ", \"label\": "
                << JsonString(s.label) << ", \"value\": " << (error.empty() ? JsonValue(s, value) : "null")
                << ", \"default\": " << JsonValue(s, def) << ", \"unit\": " << JsonString(s.unit)
                << ", \"error\": " << JsonOrNull(error.empty() ? note : error) << "}";
        } else {
            out << s.name << "\t" << s.label << "\t"
                << (error.empty() ? Shown(s, value) + (note.empty() ? "" : "（" + note + "）") : "错误: " + error)
                << "\t" << Shown(s, def) << "\n";
        }
        first = false;
    }
    if (json) out << "\n]\n";
    return kExitDone;
}

}  // namespace vantrel
