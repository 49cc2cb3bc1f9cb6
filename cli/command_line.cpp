#include "cli/command_line.h"

#include <exception>

#include "cli/target.h"
#include "registry/registry.h"

namespace vantrel {

namespace {

const char kProgram[] = "vantrelctl";

const char kGeneralHelp[] =
    "vantrelctl: Vantrel 的任务命令行\n"
    "\n"
    "用法: vantrelctl 命令 [参数] [选项] [--file 文件] [--utf8]\n"
    "\n"
    "命令:\n"
    "%COMMANDS%"
    "\n"
    "通用选项（可放在命令的任何位置）:\n"
    "  --file 文件  在注册表文件（export 写出的格式）上工作，而不是在注册表上；\n"
    "               有改动时写回该文件，只改 Vantrel 的键的各行，其他行原样保留。\n"
    "               管理员可先在文件上检查任务，再分发。同时改同一文件的 vantrelctl 依次进行，\n"
    "               不会互相覆盖；读取之后被别的程序改过的文件不会被覆盖（退出状态 1）。\n"
    "  --utf8       输出重定向到文件或管道时写 UTF-8（默认: Windows 上 GBK，其他系统按区域设置\n"
    "               的编码；在控制台上总能正确显示）\n"
    "  --help       说明；vantrelctl 命令 --help 说明一个命令并举例\n"
    "\n"
    "任务与设置保存在 HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel（64 位 Windows 上在\n"
    "Wow6432Node 之下）。读取不需要特别权限，写入需要管理员权限。\n"
    "正在运行的 Vantrel 每 6 秒重读注册表，在下一次检查时就看到每个改动；已打开的设置\n"
    "窗口保留它的列表，关闭再打开后才显示改动（与同时打开两个设置窗口一样）。\n"
    "\n"
    "把一份任务列表分发到多台电脑: 在一台电脑上 vantrelctl export 任务.reg，在其他电脑上\n"
    "vantrelctl import 任务.reg（或 regedit /s 任务.reg），可放在登录脚本或组策略中。\n"
    "\n"
    "退出状态（每个命令相同；原因写到标准错误）:\n"
    "  0  完成\n"
    "  1  系统没能做到: 注册表或文件无法读写、没有管理员权限、另一个程序正在修改或刚改过、\n"
    "     没有 Vantrel 的键\n"
    "  2  拒绝了给出的内容，什么也没有写: 命令行、时间、任务、属性、设置的值、定时、不存在的\n"
    "     任务序号、内容不合格的导入文件或 --file 文件、GBK 无法表示的文字\n"
    "  3  autostart status: 不启动这份程序；timer status: 没有定时\n"
    "  4  autostart status: 任务的命令无法读出\n"
    "命令行上的数字（设置的值、定时、任务序号）不带前导零，与时间中的钟点一样。\n";

const std::vector<CommandEntry> kCommands = {
    {"list", 0, 0, {}, {"--json"}, RunList, "list [--json]",
     "按设置窗口的方式列出第 1 到 TaskNum 条任务: 序号、时间、任务、任务属性、是否启用，\n"
     "以及下次运行时间。读不出的任务连同错误一起列出，不会略去。文字中的回车、换行和制表符\n"
     "显示为 \\r、\\n、\\t，不构成 GBK 字符的字节显示为 ?（JSON 中为 U+FFFD），各占一个字符。\n"
     "没有 Vantrel 的键时退出状态为 1。\n"
     "--json 输出一个 JSON 数组（UTF-8），字段 n, schedule, action, param, enabled, next, error。\n"
     "\n"
     "例: vantrelctl list\n"
     "    vantrelctl list --json --file 任务.reg\n"},
    {"add", 0, 0, {"--schedule", "--action", "--param"}, {"--disabled"}, RunAdd,
     "add --schedule 时间 --action 任务 [--param 属性] [--disabled]",
     "像任务窗口的“确定”那样追加一条任务（先写 A、B、C、D，D 为“启用”，--disabled 则从一开始\n"
     "就是“禁用”；最后把 TaskNum 加一，正在运行的 Vantrel 不会看到写了一半的任务）。不合格时什么也不写: 时间必须是任务窗口能写出的八种格式\n"
     "之一（钟点的时 0-23、分 0-59 不带前导零，如时间选择框所写；空闲分钟数、间隔分钟数和开机\n"
     "时分是数字，照键入的样子，可带前导零；星期、日、月是下拉框的文字，照键入的样子；一次任务\n"
     "的日期按短日期格式），任务必须是十五种之一，属性必须是该任务需要的（提醒、打开文件、关闭\n"
     "程序、禁用网卡、启用网卡需要属性；休眠计算机为“不唤醒”、空或 第N天H时M分唤醒，默认\n"
     "“不唤醒”；其他任务不带属性）。\n"
     "\n"
     "例: vantrelctl add --schedule 每天17时30分 --action 关闭计算机\n"
     "    vantrelctl add --schedule 每周1日9时0分 --action 提醒 --param 开会了。\n"},
    {"delete", 1, 1, {}, {}, RunDelete, "delete N",
     "像设置窗口的“删除”那样删除第 N 条任务: 后面的任务序号各减一。\n"
     "先读出要移动的全部值，读不出时什么也不改。\n"
     "\n"
     "例: vantrelctl delete 2\n"},
    {"enable", 1, 1, {}, {}, RunEnable, "enable N",
     "把第 N 条任务设为“启用”。\n"
     "\n"
     "例: vantrelctl enable 3\n"},
    {"disable", 1, 1, {}, {}, RunDisable, "disable N",
     "把第 N 条任务设为“禁用”。\n"
     "\n"
     "例: vantrelctl disable 3\n"},
    {"export", 0, 1, {}, {}, RunExport, "export [文件]",
     "把程序的键（设置和任务）写成注册表编辑器的文件格式（REGEDIT4，GBK），写到文件或标准\n"
     "输出。键名按本机上 32 位程序所见（64 位 Windows 上在 Wow6432Node 之下），所以在同类\n"
     "电脑上 regedit /s 或 vantrelctl import 都能导入。不能写到它读取的 --file 文件。\n"
     "\n"
     "例: vantrelctl export 任务.reg\n"},
    {"import", 1, 1, {}, {"--replace"}, RunImport, "import 文件 [--replace]",
     "读入 export 或注册表编辑器写出的文件（REGEDIT4 或 Windows Registry Editor Version 5.00，\n"
     "键名带不带 Wow6432Node 均可，但不能两者都有），先像 add 那样检查其中每条任务（“是否启用”\n"
     "须为“启用”或“禁用”，TaskNum 之外不能有任务的值），全部合格才写入: 追加这些任务\n"
     "（--replace 则替换整个任务列表，先写新任务再去掉多余的），文件中有设置值时也写入设置。\n"
     "任何错误都不写入任何内容；写到一半注册表拒绝时恢复原来的内容并读回核对。\n"
     "\n"
     "例: vantrelctl import \\\\server\\share\\任务.reg --replace\n"},
    {"next", 1, 1, {"--from", "--count", "--date-format"}, {}, RunNext,
     "next 时间 [--from \"YYYY-MM-DD HH:MM\"] [--count K] [--date-format F]",
     "按程序检查任务的同一规则，列出从 FROM 这一分钟（默认为现在）起（含）最先的 K 个（默认 1）\n"
     "到期时刻，每行一个 YYYY-MM-DD HH:MM；到期次数少时行数也少（过去的一次任务: 没有；每年2月29日:\n"
     "只在闰年）。空闲与开机任务没有钟点，输出一行文字（“空闲N分钟后”/“开机后H时M分”）。\n"
     "八年内都不会到期的时间（每年2月30日）什么也不输出，退出状态 0。任务窗口写不出的时间\n"
     "（每天25时0分、格式不对的文字）像 add 那样说明原因，退出状态 2。\n"
     "--date-format 是“一次”任务日期的短日期格式，默认为系统的格式。\n"
     "\n"
     "例: vantrelctl next 每年2月29日8时0分 --from \"2025-01-01 00:00\" --count 2\n"},
    {"check", 1, 1, {"--at", "--uptime", "--idle", "--date-format"}, {}, RunCheck,
     "check 时间 --at \"YYYY-MM-DD HH:MM[:SS]\" [--uptime 秒] [--idle 秒] [--date-format F]",
     "说出一个时间在给定时刻是否到期（due 或 not due），再逐行列出规则读到的字段（W=0、H=8、M=0）。\n"
     "星期由日期算出；--uptime 与 --idle 是开机与空闲的秒数。\n"
     "\n"
     "例: vantrelctl check 每周7日8时0分 --at \"2026-12-06 08:00\"\n"},
    {"history", 0, 0, {"--since", "--task"}, {"--json"}, RunHistory,
     "history [--since \"YYYY-MM-DD HH:MM\"] [--task N] [--json]",
     "按写入的顺序列出 Vantrel 的运行记录（先 history.1.log，再 history.log；两者都在公用\n"
     "应用程序数据文件夹的 Vantrel 文件夹中）: 时间、来源（任务、菜单、热键、倒计时、程序、\n"
     "定时: 定时关机、到时结束的暂停、推迟的倒计时和忙时等待，提前提醒: 电源任务之前的气球提示\n"
     "和在其中的选择）、任务序号、时间表、任务、任务属性、结果（完成、错误、已启动、开始倒计时、\n"
     "已执行、已取消、立即执行、已推迟、已提醒、已跳过、等待、结束等待）和说明（错误的原因等；\n"
     "暂停与定时关机行的时刻）。没有记录时说明这一点。\n"
     "--since 只列出这一分钟及以后的行，--task 只列出第 N 条任务的行。\n"
     "--json 输出一个 JSON 数组（UTF-8），字段 time, source, task, schedule, action, param,\n"
     "outcome, detail，来源、结果和程序的事件用记录文件中不变的英文关键字（tick、menu、hotkey、\n"
     "countdown、program、timer、balloon；done、error 等），供脚本比较。\n"
     "--file 文件 读取该记录文件（例如从别的电脑收集来的），而不是本机的记录。\n"
     "\n"
     "例: vantrelctl history --since \"2026-12-07 00:00\"\n"
     "    vantrelctl history --task 3 --json\n"},
    {"autostart", 1, 1, {"--program"}, {}, RunAutostart, "autostart on|off|status [--program 路径]",
     "登录 Windows 时启动 Vantrel（默认为与 vantrelctl 同一文件夹中的 Vantrel.exe）。Windows Vista\n"
     "及以后用任务计划程序中的任务“Vantrel”（任何用户登录时、以最高权限运行），并删去指向这份\n"
     "程序的 Run 值 Derera；Windows XP 用带引号路径的 Run 值 Derera。off 只删除启动这份程序的\n"
     "任务或 Run 值，启动另一份程序的保持不变。status 说出是否启动这份程序（退出状态 0 是，3 否，4 任务的命令无法读出）。\n"
     "on 与 off 需要管理员权限。\n"
     "\n"
     "例: vantrelctl autostart on\n"
     "    vantrelctl autostart status --program \"C:\\Program Files\\Vantrel\\Vantrel.exe\"\n"},
    {"timer", 1, 1, {}, {}, RunTimer, "timer 30m|2h|off|status",
     "托盘菜单的“定时关机”: N 分钟（30m）或 N 小时（2h，最多一周）后关机，到时出现平常的关机\n"
     "倒计时。只有一个定时，再设一个就替换它；off 取消；status 说出定时的时刻（退出状态 0 有，3 没有）。\n"
     "定时保存在程序的键的值 dingshi 中，不是任务，任务列表不变；正在运行的 Vantrel 在下一分钟\n"
     "开始时看到改动。到时 Vantrel 没有运行（或计算机在睡眠）的定时作废，不会补做。\n"
     "设置与取消需要管理员权限。\n"
     "\n"
     "例: vantrelctl timer 30m\n"
     "    vantrelctl timer off\n"},
    {"status", 0, 0, {}, {"--json"}, RunStatus, "status [--json]",
     "说出 Vantrel 服务（运行本机任务的 Windows 服务）是否安装、是否在运行：退出状态 0 在运行，\n"
     "3 已安装但没有运行（已停止、正在启动或停止），4 没有安装服务（例如只用免安装的压缩包），\n"
     "1 无法询问服务控制管理器。\n"
     "--json 输出一个 JSON 对象（UTF-8），字段 service（running、stopped、starting、stopping、\n"
     "paused 或 none）和 pid（运行时服务的进程号，否则为 null）。\n"
     "\n"
     "例: vantrelctl status\n"
     "    vantrelctl status --json\n"},
    {"settings", 0, 2, {}, {"--json"}, RunSettings, "settings [名称 值] [--json]",
     "列出程序的键的每个设置: 值的名称、设置（设置窗口中的名字）、当前的值和默认值（没有这个值时用\n"
     "默认值）: tishi 关机前等待（秒；设置窗口中以分钟显示）、soundpath 关机前声音提示、kaiji 显示\n"
     "开机时间、rejian 使用Ctrl热键、shutapp 待机前关闭所有程序、tiqian 提前提醒（分钟，0 不提醒）、\n"
     "manglu 忙时推迟、mangxian 忙时最长等待（分钟）、mangcpu 处理器使用率高于（%，0 不看）、\n"
     "mangwang 网络流量高于（KB/秒，0 不看）、baohu 取消和推迟需要管理员。\n"
     "开关显示为 开 或 关（--json 中为 1 或 0）。\n"
     "带 名称 值（名称可以是值的名称或设置的名字；开关的值可写 开、关 或 1、0；数值后可带单位，\n"
     "如 90秒）时先检查再写入这一个设置，然后列出它；名称不对时列出可用的名称，值不在范围内时\n"
     "什么也不写，退出状态 2。正在运行的 Vantrel 在下次启动时读到改动。写入需要管理员权限。\n"
     "管理员通过策略（HKLM\\Software\\Policies\\Brelnix\\Vantrel）设置的值显示为策略的值，不能在这里\n"
     "更改（退出状态 2，说明是哪个策略）。\n"
     "--json 输出一个 JSON 数组（UTF-8），字段 name, label, value, default, unit, source（policy、\n"
     "program key 或 default）, error。\n"
     "\n"
     "例: vantrelctl settings\n"
     "    vantrelctl settings 忙时推迟 开\n"
     "    vantrelctl settings tiqian 10\n"},
};

std::string CommandList() {
    std::string list;
    for (const CommandEntry& c : kCommands) list += std::string("  ") + c.usage + "\n";
    return list;
}

std::string GeneralHelp() {
    std::string help = kGeneralHelp;
    const std::string marker = "%COMMANDS%";
    help.replace(help.find(marker), marker.size(), CommandList());
    return help;
}

bool Contains(const std::vector<const char*>& list, const std::string& name) {
    for (const char* item : list)
        if (name == item) return true;
    return false;
}

bool IsOption(const std::string& arg) { return arg.size() > 2 && arg.compare(0, 2, "--") == 0; }

const CommandEntry* FindCommand(const std::string& name) {
    for (const CommandEntry& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::string UsageLine(const CommandEntry& c) {
    return std::string(kProgram) + ": 用法: vantrelctl " + c.usage + "（vantrelctl " + c.name +
           " --help 查看说明）";
}

}  // namespace

const std::vector<CommandEntry>& Commands() { return kCommands; }

namespace {

// Runs one command; an error it did not catch is one line on `err`.
int RunCommand(const CommandEntry& entry, const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);

}  // namespace

Classified Classify(const std::vector<std::string>& args) {
    Classified result;
    Invocation& inv = result.inv;
    std::vector<std::string> rest;
    // The options of every command first, wherever they stand.
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            inv.help = true;
        } else if (a == "--utf8") {
            inv.utf8 = true;
        } else if (a == "--file") {
            if (i + 1 >= args.size()) {
                result.message = std::string(kProgram) + ": --file 后面缺少文件名";
                return result;
            }
            if (inv.file) {
                result.message = std::string(kProgram) + ": --file 只能给一次";
                return result;
            }
            inv.file = args[++i];
        } else {
            rest.push_back(a);
        }
    }
    if (rest.empty()) {
        if (inv.help) {
            result.ok = true;
            return result;
        }
        result.message = std::string(kProgram) + ": 缺少命令（vantrelctl --help 列出命令）";
        return result;
    }
    const CommandEntry* entry = FindCommand(rest[0]);
    if (!entry) {
        result.message = std::string(kProgram) + ": 未知命令 " + rest[0] + "（vantrelctl --help 列出命令）";
        return result;
    }
    result.entry = entry;
    inv.command = entry->name;
    if (inv.help) {
        result.ok = true;
        return result;
    }
    for (std::size_t i = 1; i < rest.size(); ++i) {
        const std::string& a = rest[i];
        if (!IsOption(a)) {
            inv.operands.push_back(a);
            continue;
        }
        if (Contains(entry->flagOptions, a)) {
            if (!inv.flags.insert(a).second) {
                result.message = std::string(kProgram) + ": " + a + " 只能给一次";
                return result;
            }
        } else if (Contains(entry->valueOptions, a)) {
            if (i + 1 >= rest.size()) {
                result.message = std::string(kProgram) + ": " + a + " 后面缺少值";
                return result;
            }
            if (!inv.values.emplace(a, rest[++i]).second) {
                result.message = std::string(kProgram) + ": " + a + " 只能给一次";
                return result;
            }
        } else {
            result.message = std::string(kProgram) + ": " + entry->name + " 没有选项 " + a +
                             "（用法: vantrelctl " + entry->usage + "）";
            return result;
        }
    }
    if (inv.operands.size() < entry->minOperands || inv.operands.size() > entry->maxOperands) {
        result.message = UsageLine(*entry);
        return result;
    }
    result.ok = true;
    return result;
}

bool WantsUtf8Output(const std::vector<std::string>& args) {
    // --utf8 wherever it stands (but as the name after --file), also when
    // the line is refused before it is reached.
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file") ++i;
        else if (args[i] == "--utf8") return true;
    }
    const Classified c = Classify(args);
    return c.ok && c.inv.Has("--json");
}

int RunCli(const std::vector<std::string>& args, CliEnv& env, TextOut& out,
           TextOut& err) {
    const Classified c = Classify(args);
    if (!c.ok) {
        err << c.message << "\n";
        return kExitUsage;
    }
    if (c.inv.help) {
        if (!c.entry) {
            out << GeneralHelp();
        } else {
            out << "用法: vantrelctl " << c.entry->usage << "\n\n" << c.entry->help;
            out << "\n通用选项: --file 文件, --utf8, --help（见 vantrelctl --help）\n";
        }
        return kExitDone;
    }
    // Everything said on `err` in Chinese, registry errors included.
    TextOut said;
    const int status = RunCommand(*c.entry, c.inv, env, out, said);
    err << InChinese(said.str());
    return status;
}

namespace {

int RunCommand(const CommandEntry& entry, const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    try {
        return entry.run(inv, env, out, err);
    } catch (const UsageError& e) {
        err << e.message << "\n";
        return kExitUsage;
    } catch (const PolicyRefused& e) {
        // Nothing was written: the administrator's policy holds it.
        err << kProgram << ": " << e.what() << "，没有写入任何内容\n";
        return kExitUsage;
    } catch (const RegistryError& e) {
        // A read that the registry refused; writes are reported by the
        // commands themselves, which know what was already written.
        err << kProgram << ": " << e.what() << "\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        // Nothing else is expected here; still one line and a failure, never
        // an abort.
        err << kProgram << ": " << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace

}  // namespace vantrel
