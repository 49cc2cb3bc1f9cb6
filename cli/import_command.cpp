// vantrelctl import FILE [--replace]: the tasks (and settings) of a registry
// file, checked as add checks a task, then appended or put in place of the
// task list. All or nothing.
#include "cli/command_line.h"
#include "cli/target.h"
#include "cli/task_check.h"
#include "registry/file_registry.h"

namespace vantrel {

namespace {

struct ImportedSetting {
    const char* name;
    bool text;  // soundpath; the others are integers
    std::string textValue;
    std::int32_t number = 0;
};

struct ImportPlan {
    std::vector<TaskRecord> tasks;
    std::vector<ImportedSetting> settings;
};

// Reads and checks everything in the file; an empty text when it all holds.
// The record number a value name such as "A12" belongs to, or 0.
long RecordNumberOf(const std::string& name) {
    if (name.size() < 2 || name.size() > 11 || std::string("ABCDabcd").find(name[0]) == std::string::npos ||
        name[1] == '0')
        return 0;
    long n = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string ReadPlan(RegFile& file, const std::string& programKey, const std::string& dateFormat,
                     int currentYear, ImportPlan& plan) {
    FileRegistry reg(file, false);
    const std::int32_t count = RecoveredTaskCount(reg, programKey);
    {
        OpenedKey key(reg, programKey, false);
        if (!key.ok()) return "文件中没有 Vantrel 的键（" + RegFileKeyPath(programKey, false) + "）";
        // A record the count leaves out is no task of the program; taking it
        // in or leaving it out silently would both be wrong.
        for (const std::string& name : reg.ValueNames())
            if (RecordNumberOf(name) > count)
                return "值 " + name + " 属于第 " + std::to_string(RecordNumberOf(name)) + " 条任务，但 TaskNum 只有 " +
                       std::to_string(count);
    }
    for (const ListedRecord& row : ReadListedRecords(reg, programKey, count)) {
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

// New records are written before anything is removed, so that a write the
// registry refuses part way never leaves fewer tasks than before.
void WritePlan(Target& target, const ImportPlan& plan, bool replace) {
    TaskStore& store = target.store();
    Settings& settings = target.settings();
    if (replace) {
        store.ReplaceTasks(settings, plan.tasks);
    } else {
        // Each written with its final enabled state: never enabled for a
        // moment before it is disabled.
        for (TaskRecord task : plan.tasks) {
            if (task.enabled != kEnabledText) task.enabled = kDisabledText;
            store.AppendRecord(settings, task);
        }
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

int RunImport(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const std::string& path = inv.operands[0];
    std::string bytes, error;
    bool missing = false;
    if (!env.ReadFile(path, bytes, missing, error)) {
        err << "vantrelctl: 无法读取 " << path << ": " << error << "\n";
        return kExitFailed;
    }
    RegFileParse parsed = ParseRegFile(bytes);
    if (parsed.ok) parsed.error = ProgramKeyProblem(parsed, kProgramKeyPath);
    if (!parsed.ok || !parsed.error.empty()) {
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
        err << "vantrelctl: " << target->WriteFailure(e);
        // A registry file is only written at the end: it stays as it was.
        if (target->isFile()) {
            err << "，文件没有改动\n";
            return kExitFailed;
        }
        // The registry is put back as it was, and read back to be sure.
        const std::vector<std::string> notRestored = RestoreProgramKey(
            target->reg(), target->programKey(), before ? *before : std::vector<RegFileValue>());
        if (notRestored.empty()) {
            err << "，已恢复原来的内容\n";
        } else {
            std::string names;
            for (const std::string& name : notRestored) names += (names.empty() ? "" : "、") + name;
            err << "；恢复原来的内容也没有完成，这些值与导入前不同: " << names << "\n";
        }
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    out << "已导入 " << plan.tasks.size() << " 条任务" << (plan.settings.empty() ? "" : "和设置")
        << (inv.Has("--replace") ? "（替换原有任务）" : "") << "\n";
    return kExitDone;
}

}  // namespace vantrel
