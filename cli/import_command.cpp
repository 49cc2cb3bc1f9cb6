// vantrelctl import FILE [--replace]: the tasks (and settings) of a registry
// file, checked as add checks a task, then appended or put in place of the
// task list. All or nothing.
#include "cli/command_line.h"
#include "cli/target.h"
#include "cli/task_check.h"
#include "store/file_registry.h"

namespace vantrel {

namespace {

struct ImportedTask {
    TaskRecord record;
    bool enabled = true;
};

struct ImportedSetting {
    const char* name;
    bool text;  // soundpath; the others are integers
    std::string textValue;
    std::int32_t number = 0;
};

struct ImportPlan {
    std::vector<ImportedTask> tasks;
    std::vector<ImportedSetting> settings;
};

// Reads and checks everything in the file; an empty text when it all holds.
std::string ReadPlan(RegFile& file, const std::string& programKey, const std::string& dateFormat,
                     int currentYear, ImportPlan& plan) {
    FileRegistry reg(file, false);
    {
        OpenedKey key(reg, programKey, false);
        if (!key.ok()) return "文件中没有 Vantrel 的键（" + RegFileKeyPath(programKey, false) + "）";
    }
    for (const ListedRecord& row : ReadListedRecords(reg, programKey, RecoveredTaskCount(reg, programKey))) {
        const std::string where = "第 " + std::to_string(row.number) + " 条任务: ";
        if (!row.error.empty()) return where + row.error;
        std::string problem = ScheduleProblem(row.record.schedule, dateFormat, currentYear);
        if (problem.empty()) problem = ActionProblem(row.record.action, row.record.parameter);
        if (!problem.empty()) return where + problem;
        plan.tasks.push_back(ImportedTask{row.record, IsEnabledText(row.record.enabled)});
    }
    OpenedKey key(reg, programKey, false);
    const std::pair<const char*, bool> kSettings[] = {{kValCountdown, false}, {kValCloseAll, false},
                                                      {kValSoundPath, true},  {kValGreeting, false},
                                                      {kValCtrlHotkeys, false}};
    for (const auto& s : kSettings) {
        if (!reg.ValueExists(s.first)) continue;
        ImportedSetting setting{s.first, s.second, std::string(), 0};
        try {
            if (s.second)
                setting.textValue = reg.ReadString(s.first);
            else
                setting.number = reg.ReadInteger(s.first);
        } catch (const RegistryError& e) {
            return std::string("设置 ") + s.first + ": " + e.what();
        }
        plan.settings.push_back(setting);
    }
    return std::string();
}

void WritePlan(Target& target, const ImportPlan& plan, bool replace) {
    TaskStore& store = target.store();
    Settings& settings = target.settings();
    if (replace) {
        // The last record each time: nothing moves, so this stays linear.
        while (settings.taskCount > 0)
            if (!store.Delete(settings, settings.taskCount)) break;
    }
    for (const ImportedTask& task : plan.tasks) {
        TaskRecord record = task.record;
        record.enabled = task.enabled ? kEnabledText : kDisabledText;
        store.AppendRecord(settings, record);
    }
    if (plan.settings.empty()) return;
    Registry& reg = target.reg();
    OpenedKey key(reg, target.programKey());
    for (const ImportedSetting& s : plan.settings) {
        if (s.text)
            reg.WriteString(s.name, s.textValue);
        else
            reg.WriteInteger(s.name, s.number);
    }
}

}  // namespace

int RunImport(const Invocation& inv, CliEnv& env, std::ostream& out, std::ostream& err) {
    const std::string& path = inv.operands[0];
    std::string bytes, error;
    bool missing = false;
    if (!env.ReadFile(path, bytes, missing, error)) {
        err << "vantrelctl: 无法读取 " << path << ": " << error << "\n";
        return kExitFailed;
    }
    RegFileParse parsed = ParseRegFile(bytes);
    if (!parsed.ok) {
        err << "vantrelctl: " << path << ": " << parsed.error << "，没有写入任何内容\n";
        return kExitFailed;
    }
    ImportPlan plan;
    const std::string problem =
        ReadPlan(parsed.file, kProgramKeyPath, env.ShortDateFormat(), env.Now().year, plan);
    if (!problem.empty()) {
        err << "vantrelctl: " << path << ": " << problem << "，没有写入任何内容\n";
        return kExitFailed;
    }

    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Create, err, status);
    if (!target) return status;
    // One change under the store's lock, from the copy taken to put back to
    // the last setting written: no other writer comes in between.
    std::unique_ptr<TaskStore::WriteGuard> guard;
    try {
        guard.reset(new TaskStore::WriteGuard(target->store()));
    } catch (const StoreBusy& e) {
        err << "vantrelctl: " << e.what() << "，没有写入任何内容\n";
        return kExitFailed;
    }
    std::vector<std::string> skipped;
    const std::optional<std::vector<RegFileValue>> before =
        ReadProgramKey(target->reg(), target->programKey(), target->settings().taskCount, skipped);
    try {
        WritePlan(*target, plan, inv.Has("--replace"));
    } catch (const RegistryError& e) {
        // A registry file is only written at the end; the registry is put
        // back as it was.
        if (before) RestoreProgramKey(target->reg(), target->programKey(), *before);
        err << "vantrelctl: " << target->WriteFailure(e) << "，已恢复原来的内容\n";
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    out << "已导入 " << plan.tasks.size() << " 条任务" << (plan.settings.empty() ? "" : "和设置")
        << (inv.Has("--replace") ? "（替换原有任务）" : "") << "\n";
    return kExitDone;
}

}  // namespace vantrel
