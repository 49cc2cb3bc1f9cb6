#include "cli/target.h"

#include <set>

#include "registry/file_registry.h"

#include "text/gbk_text.h"

namespace vantrel {

std::string InChinese(const std::string& text) {
    static const struct {
        const char* english;  // up to the value's name, which ends at the next '
        const char* before;
        const char* after;
    } kMessages[] = {
        {"Invalid data type for '", "值 ", " 的类型不对"},
        {"Failed to get data for '", "无法读取值 ", ""},
        {"Failed to set data for '", "无法写入值 ", ""},
        {"Failed to delete value '", "无法删除值 ", ""},
    };
    std::string result = text;
    for (const auto& m : kMessages) {
        const std::string english = m.english;
        for (std::size_t at = result.find(english); at != std::string::npos; at = result.find(english, at)) {
            const std::size_t name = at + english.size();
            const std::size_t end = result.find('\'', name);
            if (end == std::string::npos) break;
            const std::string said = m.before + result.substr(name, end - name) + m.after;
            result.replace(at, end + 1 - at, said);
            at += said.size();
        }
    }
    return result;
}

std::vector<ListedRecord> ReadListedRecords(Registry& reg, const std::string& programKey) {
    std::vector<ListedRecord> rows;
    OpenedKey key(reg, programKey, false);
    if (!key.ok()) return rows;
    const int last = TaskCount(reg);
    for (int n = 1; n <= last; ++n) {
        ListedRecord row;
        row.number = n;
        bool scheduleRead = true;
        auto read = [&](char letter, std::string& into) {
            try {
                into = reg.ReadString(RecordValueName(letter, n));
                return true;
            } catch (const RegistryError& e) {
                if (!row.error.empty()) row.error += "; ";
                row.error += InChinese(e.what());
                return false;
            }
        };
        scheduleRead = read('A', row.record.schedule);
        // A record without a schedule text is counted but not listed, as in
        // the settings window; one whose text cannot be read is listed, so
        // that it can be mended or deleted.
        if (scheduleRead && row.record.schedule.empty()) continue;
        read('B', row.record.action);
        read('C', row.record.parameter);
        read('D', row.record.enabled);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::unique_ptr<Target> Target::Open(const Invocation& inv, CliEnv& env, Mode mode,
                                     TextOut& err, int& status) {
    std::unique_ptr<Target> t(new Target);
    t->env_ = &env;
    status = kExitFailed;
    if (inv.file) {
        t->isFile_ = true;
        t->path_ = *inv.file;
        std::string bytes, error;
        bool missing = false;
        t->file_.reset(new RegFile);
        // Held until the command ends: another vantrelctl changing the same
        // file waits for this one's write and reads what it wrote.
        if (mode != Mode::Read) t->hold_ = env.HoldFile(t->path_, error);
        if (mode != Mode::Read && !t->hold_) {
            err << "vantrelctl: 无法锁定 " << t->path_ << ": " << error << "\n";
            return nullptr;
        }
        if (!env.ReadFile(t->path_, bytes, missing, error)) {
            if (!(missing && mode == Mode::Create)) {
                err << "vantrelctl: 无法读取 " << t->path_ << ": " << error << "\n";
                return nullptr;
            }
        } else {
            RegFileParse parsed = ParseRegFile(bytes, true);
            if (parsed.ok) parsed.error = ProgramKeyProblem(parsed, t->programKey_);
            if (!parsed.ok || !parsed.error.empty()) {
                err << "vantrelctl: " << t->path_ << ": " << parsed.error << "\n";
                status = kExitUsage;  // a file the caller gave, not one the system failed to read
                return nullptr;
            }
            *t->file_ = std::move(parsed.file);
            t->existed_ = true;
            t->bytesRead_ = bytes;
            t->layout_.reset(new RegFileLayout(std::move(parsed.layout)));
        }
        t->reg_.reset(new FileRegistry(*t->file_, env.Wow64()));
    } else {
        std::string error;
        t->reg_ = env.OpenRegistry(mode != Mode::Read, error);
        if (!t->reg_) {
            err << "vantrelctl: " << error << "\n";
            return nullptr;
        }
    }
    t->store_.reset(new TaskStore(*t->reg_, t->programKey_));
    // Only this command writes a registry file: no other process to wait for.
    if (t->isFile_) t->store_->UseLock(NewProcessStoreLock(t->programKey_));
    // A task file is no machine: no policy binds it.
    if (t->isFile_) t->store_->UsePolicyKey("");
    t->store_->set_task_policy_exempt(!t->isFile_ && env.RunsAsMachineAccount());
    status = kExitDone;
    return t;
}

bool Target::Commit(TextOut& err) {
    if (!isFile_) return true;
    auto* file = static_cast<FileRegistry*>(reg_.get());
    if (!file->changed()) return true;
    // A file that was read keeps every line outside the program key as it
    // was; a new one is written whole.
    std::string bytes;
    const RegFileKey* key = nullptr;
    for (const RegFileKey& k : file_->keys)
        if (!key && SameProgramKey(k.path, programKey_)) key = &k;
    if (layout_ && key)
        bytes = RewriteRegFile(*layout_, *key, programKey_);
    else
        bytes = WriteRegFile(*file_);
    // A program that does not take the hold (an editor, a vantrelctl on
    // another machine sharing the folder) may have written the file since
    // it was read: its change is never written over.
    std::string now, error;
    bool missing = false;
    const bool read = env_->ReadFile(path_, now, missing, error);
    if (read != existed_ || (read && now != bytesRead_) || (!read && !missing)) {
        err << "vantrelctl: " << path_ << " 在读取之后被另一个程序改动过，没有写入，请重新执行\n";
        return false;
    }
    if (!env_->WriteFile(path_, bytes, error)) {
        err << "vantrelctl: 无法写入 " << path_ << ": " << error << "\n";
        return false;
    }
    return true;
}

bool Target::HasProgramKey() {
    OpenedKey key(*reg_, programKey_, false);
    return key.ok();
}

std::string Target::NoProgramKey() {
    const std::string key = RegFileKeyPath(programKey_, env_->Wow64());
    if (isFile_) return path_ + ": 文件中没有 Vantrel 的键（" + key + "）";
    return "没有 Vantrel 的键（" + key + "），Vantrel 还没有在这里运行过";
}

std::string Target::WriteFailure(const RegistryError& e) {
    if (isFile_) return e.what();
    return env_->WriteFailure(*reg_, e);
}

std::string Target::ChangeFailure(const RegistryError& e) {
    const auto* refused = dynamic_cast<const ChangeRefused*>(&e);
    if (!refused) return WriteFailure(e);
    const std::string failure = WriteFailure(RegistryError(refused->error()));
    // A registry file is only written at the end: it stays as it was.
    if (isFile_) return failure + "，文件没有改动";
    if (refused->notRestored().empty()) return failure + "，已恢复原来的内容";
    return failure + "；恢复原来的内容也没有完成，这些值与之前不同: " + NameList(refused->notRestored());
}

}  // namespace vantrel

namespace vantrel {

std::optional<std::vector<RegFileValue>> ReadProgramKey(Registry& reg, const std::string& programKey,
                                                        std::vector<std::string>& skipped,
                                                        std::vector<std::string>& aboveCount) {
    OpenedKey key(reg, programKey, false);
    if (!key.ok()) return std::nullopt;
    std::vector<std::string> order = {kValTaskNum,   kValCountdown, kValCloseAll,
                                      kValSoundPath, kValGreeting,  kValCtrlHotkeys};
    const int last = TaskCount(reg);
    for (int n = 1; n <= last; ++n)
        for (char letter : {'A', 'B', 'C', 'D'}) order.push_back(RecordValueName(letter, n));
    std::set<std::string> seen;
    for (const std::string& name : order) seen.insert(AsciiUpper(name));
    // A record value above the count belongs to no task: left out, as the
    // import that would read the file refuses it.
    for (const std::string& name : reg.ValueNames())
        if (seen.insert(AsciiUpper(name)).second) {
            if (RecordNumberOf(name) > last)
                aboveCount.push_back(name);
            else
                order.push_back(name);
        }

    std::vector<RegFileValue> values;
    for (const std::string& name : order) {
        switch (reg.TypeOf(name)) {
            case ValueType::None:
                break;
            case ValueType::String:
                values.push_back(RegFileValue{name, kRegSz, reg.ReadString(name)});
                break;
            case ValueType::ExpandString:
                values.push_back(RegFileValue{name, kRegExpandSz, reg.ReadString(name)});
                break;
            case ValueType::DWord: {
                values.push_back(
                    RegFileValue{name, kRegDword, DwordBytes(static_cast<std::uint32_t>(reg.ReadInteger(name)))});
                break;
            }
            default:
                skipped.push_back(name);
                break;
        }
    }
    return values;
}

}  // namespace vantrel
