// vantrelctl history [--since "YYYY-MM-DD HH:MM"] [--task N] [--json]: the
// program's run history, the older file first, as a table or as JSON.
// --file FILE reads that history file instead (one collected from another
// machine, say).
#include "cli/command_line.h"
#include "cli/json_text.h"
#include "scheduler/time_text.h"
#include "scheduler/conversions.h"
#include "history/history.h"

namespace vantrel {

namespace {

const char kProgram[] = "vantrelctl: ";

// Reads one file's lines onto `entries`; a file of the program's own folder
// that does not exist has none, a file the caller named must exist. Lines
// that are no entry are left out and counted on `err`. False, with the
// message on `err`, when the file cannot be read.
bool ReadInto(CliEnv& env, const std::string& path, bool named, std::vector<HistoryEntry>& entries,
              TextOut& err) {
    std::string bytes, error;
    bool missing = false;
    if (!env.ReadFile(path, bytes, missing, error)) {
        if (missing && !named) return true;
        err << kProgram << "无法读取 " << path << ": " << error << "\n";
        return false;
    }
    int unreadable = 0;
    for (HistoryEntry& e : ReadHistoryLines(bytes, unreadable)) entries.push_back(std::move(e));
    if (unreadable > 0) err << kProgram << path << ": 跳过了 " << unreadable << " 行不是运行记录的文字\n";
    return true;
}

void WriteJson(const std::vector<HistoryEntry>& entries, TextOut& out) {
    out << "[";
    bool first = true;
    for (const HistoryEntry& e : entries) {
        out << (first ? "\n" : ",\n") << "  {\"time\": " << JsonString(e.time)
            << ", \"source\": " << JsonString(e.source)
            << ", \"task\": " << (e.task > 0 ? std::to_string(e.task) : "null")
            << ", \"schedule\": " << JsonString(e.schedule) << ", \"action\": " << JsonString(e.action)
            << ", \"param\": " << JsonString(e.parameter) << ", \"outcome\": " << JsonString(e.outcome)
            << ", \"detail\": " << JsonOrNull(e.detail) << "}";
        first = false;
    }
    out << (entries.empty() ? "]\n" : "\n]\n");
}

// The keywords in Chinese words (--json keeps the file's keywords); an
// empty list says so, and whether the options left every line out.
void WriteTable(const std::vector<HistoryEntry>& entries, bool filtered, TextOut& out) {
    if (entries.empty()) {
        out << (filtered ? "没有符合条件的运行记录。\n" : "还没有运行记录。\n");
        return;
    }
    out << "时间\t来源\t序号\t时间表\t任务\t任务属性\t结果\t说明\n";
    for (const HistoryEntry& e : entries) {
        out << e.time << "\t" << TableText(HistoryWord(HistoryColumn::Source, e.source)) << "\t"
            << (e.task > 0 ? std::to_string(e.task) : "-") << "\t" << TableText(e.schedule) << "\t"
            << TableText(HistoryWord(HistoryColumn::Action, e.action)) << "\t" << TableText(e.parameter)
            << "\t" << TableText(HistoryWord(HistoryColumn::Outcome, e.outcome)) << "\t"
            << TableText(e.detail) << "\n";
    }
}

}  // namespace

int RunHistory(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    std::string since;
    if (const std::string* text = inv.Value("--since")) {
        if (!ParseLocalTime(*text, false))
            throw UsageError{std::string(kProgram) + "--since 应是 \"YYYY-MM-DD HH:MM\"，不是“" + *text +
                             "”"};
        since = *text;
    }
    int task = 0;
    if (const std::string* text = inv.Value("--task")) {
        const std::optional<std::int32_t> n = TryStrToInt(*text);
        if (!n || *n < 1 || std::to_string(*n) != *text)
            throw UsageError{std::string(kProgram) + "--task 应是任务序号（1 起），不是“" + *text + "”"};
        task = *n;
    }

    std::vector<HistoryEntry> entries;
    if (inv.file) {
        if (!ReadInto(env, *inv.file, true, entries, err)) return kExitFailed;
    } else {
        const std::string folder = env.HistoryFolder();
        if (folder.empty()) {
            err << kProgram << "这个系统上没有运行记录的位置（用 --file 指定记录文件）\n";
            return kExitFailed;
        }
        // The older file first, so the lines come in the order they were written.
        for (const char* name : {kHistoryOldFileName, kHistoryFileName})
            if (!ReadInto(env, folder + "\\" + name, false, entries, err)) return kExitFailed;
    }
    const bool filtered = !entries.empty() && (!since.empty() || task != 0);
    entries = FilterHistory(entries, since, task);
    if (inv.Has("--json"))
        WriteJson(entries, out);
    else
        WriteTable(entries, filtered, out);
    return kExitDone;
}

}  // namespace vantrel
