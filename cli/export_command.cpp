// vantrelctl export [FILE]: the program key as a REGEDIT4 file that
// "regedit /s" or vantrelctl import takes on another machine.
#include <algorithm>

#include "cli/command_line.h"
#include "cli/target.h"
#include "text/gbk_text.h"

namespace vantrel {

int RunExport(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    // Written over the file it reads, the export would drop every other key
    // of that file and its encoding.
    if (inv.file && !inv.operands.empty() && env.SameFile(*inv.file, inv.operands[0]))
        throw UsageError{"vantrelctl: export 不能写到它读取的 --file 文件 " + inv.operands[0] + "，没有写入任何内容"};
    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Read, err, status);
    if (!target) return status;
    std::vector<std::string> skipped, aboveCount;
    std::optional<std::vector<RegFileValue>> values =
        ReadProgramKey(target->reg(), target->programKey(), skipped, aboveCount);
    if (!values) {
        err << "vantrelctl: " << target->NoProgramKey() << "\n";
        return kExitFailed;
    }
    // A pause, a quick timer, a postponed countdown and skipped runs belong
    // to this machine now, not to the task list: rolled out with regedit /s
    // they would pause or shut down every machine at this machine's minute.
    values->erase(std::remove_if(values->begin(), values->end(),
                                 [](const RegFileValue& v) { return IsPendingValue(v.name); }),
                  values->end());
    // Values of types the program never writes are left out, and said so.
    for (const std::string& name : skipped)
        err << "vantrelctl: 值 " << name << " 的类型不是文字或整数，没有导出\n";
    for (const std::string& name : aboveCount)
        err << "vantrelctl: 值 " << name << " 不属于任何任务（序号在 TaskNum 之上），没有导出\n";

    RegFile file;
    file.keys.push_back(RegFileKey{RegFileKeyPath(target->programKey(), env.Wow64()), std::move(*values)});
    const std::string text = WriteRegFile(file);
    if (inv.operands.empty()) {
        out << text;
        return kExitDone;
    }
    std::string error;
    if (!env.WriteFile(inv.operands[0], text, error)) {
        err << "vantrelctl: 无法写入 " << inv.operands[0] << ": " << error << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace vantrel
