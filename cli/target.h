// Where a command's tasks live: the machine's registry, or the registry file
// given with --file (parsed into memory; after a change the program key's
// lines are written back and every other line kept as it was). Either way the command works through the task store on a
// Registry, so a file behaves exactly as the registry would.
#pragma once

#include <memory>
#include <optional>
#include "cli/text_out.h"
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "registry/reg_file.h"
#include "registry/registry.h"
#include "store/task_record.h"
#include "store/task_store.h"

namespace vantrel {

// One record as the settings window lists it: those with a schedule text,
// and those whose values cannot be read, with the registry's error.
struct ListedRecord {
    int number = 0;
    TaskRecord record;
    std::string error;  // empty when every value read
};

// A text with the registry's own error messages ("Invalid data type for
// 'B5'", registry/registry.h) said in Chinese, as vantrelctl says
// everything ("值 B5 的类型不对").
std::string InChinese(const std::string& text);

// The records 1..TaskNum (store/task_count.h) the settings window lists.
// Reads only: no lock, nothing written.
std::vector<ListedRecord> ReadListedRecords(Registry& reg, const std::string& programKey);

class Target {
public:
    // Create: writing, and a missing --file is a new, empty file (add and
    // import make a task file); for Read and Write a missing file is an error.
    enum class Mode { Read, Write, Create };

    // nullptr after a message on `err` when the registry or the file cannot
    // be opened (`status` then holds the exit status).
    static std::unique_ptr<Target> Open(const Invocation& inv, CliEnv& env, Mode mode,
                                        TextOut& err, int& status);

    Registry& reg() { return *reg_; }
    TaskStore& store() { return *store_; }
    // The in-memory copies the store's operations keep up to date (each
    // takes the task count as stored).
    Settings& settings() { return settings_; }
    const std::string& programKey() const { return programKey_; }
    bool isFile() const { return isFile_; }

    // Whether the program key exists, and the one line that says it does not.
    bool HasProgramKey();
    std::string NoProgramKey();

    std::vector<ListedRecord> Listed() { return ReadListedRecords(*reg_, programKey_); }

    // Writes a changed file back; false after a message on `err`.
    bool Commit(TextOut& err);

    // The one line for a write that failed: "需要管理员权限" with the
    // registry's error where the registry refused, else the error itself.
    std::string WriteFailure(const RegistryError& e);
    // The same for an operation of the store, saying what became of what it
    // had written: put back, or which values are not as they were. One line,
    // without its line end.
    std::string ChangeFailure(const RegistryError& e);

private:
    Target() = default;

    CliEnv* env_ = nullptr;
    bool isFile_ = false;
    std::string path_;
    std::unique_ptr<FileHold> hold_;  // kept from the read to the write
    bool existed_ = false;            // the file as it was read, to see that
    std::string bytesRead_;           // nobody else wrote it meanwhile
    std::unique_ptr<RegFile> file_;
    std::unique_ptr<RegFileLayout> layout_;  // the file as read, when it existed
    std::unique_ptr<Registry> reg_;
    std::unique_ptr<TaskStore> store_;
    Settings settings_;
    std::string programKey_ = kProgramKeyPath;
};

}  // namespace vantrel

namespace vantrel {

// Every value of the program key that the registry accessor can read
// (texts and integers), settings first, then the records in number order,
// then any other value. Left out: the values of other types, named in
// `skipped`, and the record values above the task count, in `aboveCount`.
// nullopt when the key does not exist.
std::optional<std::vector<RegFileValue>> ReadProgramKey(Registry& reg, const std::string& programKey,
                                                        std::vector<std::string>& skipped,
                                                        std::vector<std::string>& aboveCount);

}  // namespace vantrel
