// vantrelctl delete N, enable N, disable N: the settings window's 删除 and
// its enable combo, on a record the window lists.
#include "cli/command_line.h"
#include "cli/target.h"
#include "scheduler/conversions.h"

namespace vantrel {

namespace {

enum class Change { Delete, Enable, Disable };

int RunChange(Change change, const Invocation& inv, CliEnv& env, TextOut& out,
              TextOut& err) {
    const std::string& text = inv.operands[0];
    const std::optional<std::int32_t> n = TryStrToInt(text);
    if (!n || std::to_string(*n) != text || *n < 1)
        throw UsageError{"vantrelctl: " + inv.command + " 需要任务序号（正整数），不是“" + text + "”"};

    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Write, err, status);
    if (!target) return status;
    // Only a record the settings window lists can be chosen there; the
    // change is made under the store's lock, and only while the record still
    // holds what the list read (another writer may have moved or deleted it).
    const ListedRecord* row = nullptr;
    const std::vector<ListedRecord> rows = target->Listed();
    for (const ListedRecord& r : rows)
        if (r.number == *n) row = &r;
    if (!row) {
        err << "vantrelctl: 没有第 " << *n << " 条任务（vantrelctl list 列出任务）\n";
        return kExitUsage;
    }
    ChangeResult result = ChangeResult::Done;
    try {
        TaskStore& store = target->store();
        if (change == Change::Delete)
            result = store.Delete(target->settings(), *n, row->record);
        else
            result = store.SetEnabled(*n, row->record, change == Change::Enable);
    } catch (const RegistryError& e) {
        err << "vantrelctl: " << target->ChangeFailure(e) << "\n";
        return kExitFailed;
    }
    if (result != ChangeResult::Done) {
        err << "vantrelctl: 第 " << *n << " 条任务刚被另一个程序改动或删除，没有写入任何内容（vantrelctl list 重新列出任务）\n";
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    static const char* const kDone[] = {"已删除", "已启用", "已禁用"};
    out << kDone[static_cast<int>(change)] << "第 " << *n << " 条任务\n";
    return kExitDone;
}

}  // namespace

int RunDelete(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    return RunChange(Change::Delete, inv, env, out, err);
}
int RunEnable(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    return RunChange(Change::Enable, inv, env, out, err);
}
int RunDisable(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    return RunChange(Change::Disable, inv, env, out, err);
}

}  // namespace vantrel
