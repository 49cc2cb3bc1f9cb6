// vantrelctl import FILE [--replace]: the tasks (and settings) of a registry
// file, checked as add checks a task, then appended or put in place of the
// task list. All or nothing.
#include "cli/command_line.h"
#include "cli/target.h"
#include "cli/task_check.h"
#include "registry/file_registry.h"
#include "store/extra_settings.h"

namespace vantrel {

namespace {

struct ImportPlan {
    std::vector<TaskRecord> tasks;
    std::vector<SettingValue> settings;
};

// Reads and checks everything in the file; an empty text when it all holds.
std::string ReadPlan(RegFile& file, const std::string& programKey, const std::string& dateFormat,
                     int currentYear, ImportPlan& plan) {
    FileRegistry reg(file, false);
    {
        OpenedKey key(reg, programKey, false);
        if (!key.ok()) return "文件中没有 Vantrel 的键（" + RegFileKeyPath(programKey, false) + "）";
        // A record the count leaves out is no task of the program; taking it
        // in or leaving it out silently would both be wrong.
        const std::int32_t count = TaskCount(reg);
        const std::vector<std::string> above = ValuesAboveCount(reg, count);
        if (!above.empty()) return ValueAboveCountText(above.front(), count);
    }
    for (const ListedRecord& row : ReadListedRecords(reg, programKey)) {
        const std::string where = "第 " + std::to_string(row.number) + " 条任务: ";
        if (!row.error.empty()) return where + row.error;
        std::string problem = ScheduleProblem(row.record.schedule, dateFormat, currentYear);
        if (problem.empty()) problem = ActionProblem(row.record.action, row.record.parameter);
        if (problem.empty() && row.record.enabled != kEnabledText && row.record.enabled != kDisabledText)
            problem = "是否启用应是“" + std::string(kEnabledText) + "”或“" + kDisabledText + "”，不是“" +
                      row.record.enabled + "”";
        if (!problem.empty()) return where + problem;
        plan.tasks.push_back(row.record);
    }
    // Every setting comes along, each checked as the windows and
    // vantrelctl settings check it.
    OpenedKey key(reg, programKey, false);
    for (const SettingEntry& s : AllSettings()) {
        if (!reg.ValueExists(s.name)) continue;
        SettingValue setting{s.name, s.text, std::string(), 0};
        try {
            if (s.text)
                setting.text = reg.ReadString(s.name);
            else
                setting.number = reg.ReadInteger(s.name);
        } catch (const RegistryError& e) {
            return std::string("设置 ") + s.name + ": " + e.what();
        }
        std::int32_t checked = 0;
        const std::string problem = s.text ? std::string() : CheckSettingNumber(s, std::to_string(setting.number), checked);
        if (!problem.empty()) return std::string("设置 ") + s.name + ": " + problem;
        plan.settings.push_back(setting);
    }
    return std::string();
}

}  // namespace

int RunImport(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const std::string& path = inv.operands[0];
    std::string bytes, error;
    bool missing = false;
    if (!env.ReadFile(path, bytes, missing, error)) {
        err << "vantrelctl: 无法读取 " << path << ": " << error << "\n";
        return kExitFailed;
    }
    RegFileParse parsed = ParseRegFile(bytes, true);
    if (parsed.ok) parsed.error = ProgramKeyProblem(parsed, kProgramKeyPath);
    if (!parsed.ok || !parsed.error.empty()) {
        err << "vantrelctl: " << path << ": " << parsed.error << "，没有写入任何内容\n";
        return kExitUsage;
    }
    ImportPlan plan;
    const std::string problem =
        ReadPlan(parsed.file, kProgramKeyPath, env.ShortDateFormat(), env.Now().year, plan);
    if (!problem.empty()) {
        err << "vantrelctl: " << path << ": " << problem << "，没有写入任何内容\n";
        return kExitUsage;
    }

    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Create, err, status);
    if (!target) return status;
    // One change of the key (store/key_change.h): the tick never sees a
    // record enabled that was not, and a write the registry refuses part way
    // puts back everything written before it.
    std::vector<TaskRecord> tasks = plan.tasks;
    // Appended, each with its final enabled state.
    if (!inv.Has("--replace"))
        for (TaskRecord& task : tasks)
            if (task.enabled != kEnabledText) task.enabled = kDisabledText;
    try {
        target->store().Import(target->settings(), tasks, inv.Has("--replace"), plan.settings);
    } catch (const StoreBusy& e) {
        err << "vantrelctl: " << e.what() << "，没有写入任何内容\n";
        return kExitFailed;
    } catch (const RegistryError& e) {
        err << "vantrelctl: " << target->ChangeFailure(e) << "\n";
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    out << "已导入 " << plan.tasks.size() << " 条任务" << (plan.settings.empty() ? "" : "和设置")
        << (inv.Has("--replace") ? "（替换原有任务）" : "") << "\n";
    return kExitDone;
}

}  // namespace vantrel
