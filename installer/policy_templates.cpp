#include "installer/policy_templates.h"

#include <vector>

#include "store/extra_settings.h"
#include "store/policy.h"
#include "store/task_store.h"
#include "text/codepage.h"

namespace vantrel {

namespace {

// What the templates say of each setting beyond the table's label and hint:
// the English name and explanation, and a Chinese explanation for the
// settings whose table row has no hint.
struct SettingTexts {
    const char* name;
    const char* chinese;  // nullptr: the table's hint
    const char* english;
    const char* englishHint;
};

const SettingTexts kTexts[] = {
    {"tishi", "关机、重启等倒计时的长度（秒）：从倒计时窗口出现到执行操作的时间。", "Countdown before shutting down",
     "Length of the countdown (seconds) from the countdown window's appearance to the power action."},
    {"soundpath", "倒计时开始时播放的 wav 文件的完整路径；空表示不播放。", "Sound before shutting down",
     "Full path of a wav file played when a power countdown starts; empty for no sound."},
    {"kaiji", "为 1 时，计算机开机不到 5 分钟内启动程序时显示开机时间。", "Show the time since start-up",
     "When 1, the program shows how long ago the computer started when it starts within five minutes of it."},
    {"rejian", "为 1 时四个全局热键为 Ctrl+F8 到 Ctrl+F11，为 0 时为 F8 到 F11。程序下次启动时生效。",
     "Use Ctrl with the hotkeys",
     "When 1, the four global hotkeys are Ctrl+F8 to Ctrl+F11; when 0, F8 to F11. Takes effect at the next start."},
    {"shutapp", "为 1 时，待机或休眠的倒计时开始前关闭其他程序的窗口。", "Close all programs before standby",
     "When 1, the windows of all other programs are closed before a standby or hibernation countdown starts."},
    {"tiqian", nullptr, "Warning before a power task",
     "Minutes before a power task (log off, standby, hibernate, restart, shut down) that a balloon over the "
     "tray icon warns of it; 0 for no warning."},
    {"manglu", nullptr, "Postpone while busy",
     "When 1, a power task that comes due while the computer is busy waits, looked at again each minute, and "
     "counts down once it is not busy. Busy: a full-screen program in front, or the processor or network above "
     "the limits below over the last minute."},
    {"mangxian", nullptr, "Longest wait while busy",
     "The longest a power task waits while the computer is busy (minutes), after which its countdown starts."},
    {"mangcpu", nullptr, "Busy above processor use",
     "The computer counts as busy when the processor's average use over the last minute is above this "
     "percentage; 0 leaves the processor out."},
    {"mangwang", nullptr, "Busy above network traffic",
     "The computer counts as busy when network traffic over the last minute is above this many KB per second; "
     "0 leaves the network out."},
    {"baohu", nullptr, "Cancelling and postponing need an administrator",
     "When 1, only an administrator may cancel or postpone a power countdown or skip a warned run; a "
     "standard user's countdown has neither button. When 0, anyone at the screen may."},
};

// The same for the switches beyond the settings (store/policy.h).
const SettingTexts kSwitchTexts[] = {
    {"suoding",
     "为 1 时不能添加、修改、删除、启用或禁用任务：设置窗口的这些按钮变灰，vantrelctl 的 add、delete、"
     "enable、disable、import 拒绝执行。计算机的系统帐户（组策略启动脚本、管理工具的脚本）仍可用 "
     "vantrelctl import 写入任务列表。",
     "Prevent changes to the tasks",
     "When 1, no task can be added, changed, deleted, enabled or disabled: the settings window greys "
     "those buttons, and vantrelctl add, delete, enable, disable and import refuse. The machine's SYSTEM "
     "account (a Group Policy startup script, a management tool's script) can still write the task list "
     "with vantrelctl import."},
    {"changkai", "为 1 时托盘菜单的暂停和关闭监控不可用，倒计时的取消也不关闭监控。",
     "Prevent pausing and switching monitoring off",
     "When 1, the tray menu's pause and monitoring switch are unavailable, and cancelling a countdown does "
     "not switch monitoring off."},
    {"butui", "为 1 时托盘菜单的退出不可用。", "Prevent exiting from the tray",
     "When 1, the tray menu's Exit item is unavailable."},
};

const SettingTexts* SwitchTextsOf(const std::string& name) {
    for (const SettingTexts& t : kSwitchTexts)
        if (name == t.name) return &t;
    return nullptr;
}

const SettingTexts* TextsOf(const std::string& name) {
    for (const SettingTexts& t : kTexts)
        if (name == t.name) return &t;
    return nullptr;
}

std::string Escaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// A GBK text of the program as the templates' UTF-8.
std::string X(const std::string& gbk) { return Escaped(GbkToUtf8(gbk)); }

const char kNamespace[] = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";

// The policy key as the templates name it: below HKEY_LOCAL_MACHINE,
// without the leading backslash.
std::string KeyName() { return std::string(kPolicyKeyPath).substr(1); }

struct Adml {
    std::string strings, presentations;
    void String(const std::string& id, const std::string& text) {
        strings += "      <string id=\"" + id + "\">" + text + "</string>\n";
    }
};

}  // namespace

PolicyTemplates BuildPolicyTemplates() {
    PolicyTemplates t;
    std::string policies;
    Adml zh, en;
    zh.String("Vantrel", "Vantrel");
    en.String("Vantrel", "Vantrel");
    zh.String("SUPPORTED_Vantrel2", X("Vantrel 2.0 及以上版本"));
    en.String("SUPPORTED_Vantrel2", "Vantrel 2.0 and later");
    const std::string policyHead = "    <policy name=\"";
    const std::string policyKey = " class=\"Machine\" key=\"" + Escaped(KeyName()) + "\"";
    const std::string parents =
        "      <parentCategory ref=\"Vantrel\" />\n      <supportedOn ref=\"SUPPORTED_Vantrel2\" />\n";
    const std::string zhNote = X("删除此策略（未配置）后，程序恢复用户自己的设置。");
    const std::string enNote = "Not configured: the user's own setting applies again.";

    for (const SettingEntry& s : AllSettings()) {
        const SettingTexts* texts = TextsOf(s.name);
        const ExtraSetting* extra = FindExtraSetting(s.name);
        const char* chinese = texts ? (texts->chinese ? texts->chinese : extra ? extra->hint : nullptr) : nullptr;
        if (!texts || !chinese) {
            t.error = std::string("the templates have no texts for the setting ") + s.name;
            return t;
        }
        const std::string name = s.name;
        const std::string range = s.text ? std::string() : std::to_string(s.minimum) + " - " + std::to_string(s.maximum);
        const std::string unit = s.unit;
        zh.String(name, X(s.label));
        en.String(name, Escaped(texts->english));
        zh.String(name + "_Help", X(chinese) + (s.text ? "" : X("（范围 ") + range + (unit.empty() ? "" : " " + X(unit)) +
                                                          X("，默认 ") + std::to_string(s.defaultValue) + X("）")) +
                                      "\n\n" + X("注册表值：") + Escaped(KeyName()) + "\\" + name +
                                      (s.text ? " (REG_SZ)" : " (REG_DWORD)") + "\n\n" + zhNote);
        en.String(name + "_Help", Escaped(texts->englishHint) +
                                      (s.text ? "" : " (range " + range + ", default " + std::to_string(s.defaultValue) + ")") +
                                      "\n\nRegistry value: " + Escaped(KeyName()) + "\\" + name +
                                      (s.text ? " (REG_SZ)" : " (REG_DWORD)") + "\n\n" + enNote);
        policies += policyHead + name + "\" displayName=\"$(string." + name + ")\" explainText=\"$(string." + name +
                    "_Help)\"" + policyKey;
        if (IsSwitch(s)) {
            // A switch: 已启用 stores 1, 已禁用 0.
            policies += " valueName=\"" + name + "\">\n" + parents +
                        "      <enabledValue><decimal value=\"1\" /></enabledValue>\n"
                        "      <disabledValue><decimal value=\"0\" /></disabledValue>\n    </policy>\n";
            continue;
        }
        policies += " presentation=\"$(presentation." + name + ")\">\n" + parents + "      <elements>\n";
        if (s.text) {
            policies += "        <text id=\"" + name + "\" valueName=\"" + name + "\" />\n";
            zh.presentations += "      <presentation id=\"" + name + "\">\n        <textBox refId=\"" + name +
                                "\">\n          <label>" + X(s.label) + "</label>\n        </textBox>\n      </presentation>\n";
            en.presentations += "      <presentation id=\"" + name + "\">\n        <textBox refId=\"" + name +
                                "\">\n          <label>" + Escaped(texts->english) + "</label>\n        </textBox>\n      </presentation>\n";
        } else {
            policies += "        <decimal id=\"" + name + "\" valueName=\"" + name + "\" required=\"true\" minValue=\"" +
                        std::to_string(s.minimum) + "\" maxValue=\"" + std::to_string(s.maximum) + "\" />\n";
            const auto box = [&](const std::string& label) {
                return "      <presentation id=\"" + name + "\">\n        <decimalTextBox refId=\"" + name +
                       "\" defaultValue=\"" + std::to_string(s.defaultValue) + "\">" + label +
                       "</decimalTextBox>\n      </presentation>\n";
            };
            zh.presentations += box(X(s.label) + (unit.empty() ? "" : X("（") + X(unit) + X("）")));
            en.presentations += box(Escaped(texts->english));
        }
        policies += "      </elements>\n    </policy>\n";
    }
    for (const PolicySwitch& p : PolicySwitches()) {
        const std::string name = p.name;
        const SettingTexts* texts = SwitchTextsOf(name);
        if (!texts) {
            t.error = "the templates have no texts for the policy " + name;
            return t;
        }
        zh.String(name, X(p.label));
        en.String(name, Escaped(texts->english));
        zh.String(name + "_Help", X(texts->chinese) + "\n\n" + X("注册表值：") + Escaped(KeyName()) + "\\" + name +
                                      " (REG_DWORD)\n\n" + zhNote);
        en.String(name + "_Help", Escaped(texts->englishHint) + "\n\nRegistry value: " + Escaped(KeyName()) + "\\" + name +
                                      " (REG_DWORD)\n\n" + enNote);
        policies += policyHead + name + "\" displayName=\"$(string." + name + ")\" explainText=\"$(string." + name +
                    "_Help)\"" + policyKey + " valueName=\"" + name + "\">\n" + parents +
                    "      <enabledValue><decimal value=\"1\" /></enabledValue>\n"
                    "      <disabledValue><decimal value=\"0\" /></disabledValue>\n    </policy>\n";
    }

    const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    t.admx = head + "<policyDefinitions xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" revision=\"1.0\" schemaVersion=\"1.0\" "
                    "xmlns=\"" + std::string(kNamespace) + "\">\n"
             "  <policyNamespaces>\n    <target prefix=\"vantrel\" namespace=\"Brelnix.Policies.Vantrel\" />\n"
             "    <using prefix=\"windows\" namespace=\"Microsoft.Policies.Windows\" />\n  </policyNamespaces>\n"
             "  <resources minRequiredRevision=\"1.0\" />\n"
             "  <supportedOn>\n    <definitions>\n"
             "      <definition name=\"SUPPORTED_Vantrel2\" displayName=\"$(string.SUPPORTED_Vantrel2)\" />\n"
             "    </definitions>\n  </supportedOn>\n"
             "  <categories>\n    <category name=\"Vantrel\" displayName=\"$(string.Vantrel)\" />\n  </categories>\n"
             "  <policies>\n" + policies + "  </policies>\n</policyDefinitions>\n";
    const auto adml = [&](const Adml& a, const std::string& displayName, const std::string& description) {
        return head + "<policyDefinitionResources xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" revision=\"1.0\" schemaVersion=\"1.0\" "
                      "xmlns=\"" + std::string(kNamespace) + "\">\n"
               "  <displayName>" + displayName + "</displayName>\n  <description>" + description + "</description>\n"
               "  <resources>\n    <stringTable>\n" + a.strings + "    </stringTable>\n    <presentationTable>\n" +
               a.presentations + "    </presentationTable>\n  </resources>\n</policyDefinitionResources>\n";
    };
    t.admlZhCn = adml(zh, X("Vantrel 策略"), X("Vantrel 的设置和限制，由管理员统一设置。"));
    t.admlEnUs = adml(en, "Vantrel policies", "Vantrel's settings and restrictions, set by the administrator.");
    return t;
}

}  // namespace vantrel
