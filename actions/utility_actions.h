// The pure parts of the utility actions: names and command lines built from
// texts, and the process-name comparison. No Win32 here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "actions/system_ops.h"
#include "scheduler/matching.h"
#include "store/task_check.h"  // AdapterNameIsSafe, which NetshCommandLine asks

namespace vantrel {

extern const char* const kCleanupBatchName;  // "QLLJ.bat"

// "清理系统垃圾列表" + year month day "_" hour minute second ".txt", each number
// in decimal without leading zeros.
std::string JunkListFileName(const LocalTime& t);

// A program of the system folder (as GetSystemDirectory gives it, with or
// without a final "\\"), by its full path. System programs are always
// started this way: by name alone, CreateProcess and cmd would look in the
// program's folder, the current folder and PATH first, and a planted
// cmd.exe or netsh.exe there would run with the program's rights.
std::string SystemProgram(const std::string& systemFolder, const std::string& name);

// The system's cmd.exe running the cleanup batch file of `folder` (ending
// in "\\") with its output into `folder` + `listName`. Both paths are
// quoted, so a folder with blanks or "&" works.
std::string CleanupCommandLine(const std::string& systemFolder, const std::string& folder,
                               const std::string& listName);

// The system's cmd.exe running the system's netsh to switch an adapter:
// cmd.exe "/c  netsh int set int name=" + quoted name + " admin=disable|enable",
// with both programs named by their full paths. The command runs elevated
// through cmd.exe, so a name that could end the quotes or reach cmd's
// expansion (a double quote, "%", a control character) is refused: nullopt,
// and nothing may run.
std::optional<std::string> NetshCommandLine(const std::string& systemFolder,
                                            const std::string& adapter, bool enable);

// Whether a process's executable file entry names the program `name`: its
// file-name part, or else the whole entry, equals `name` after folding the
// ASCII letters only.
bool ExeEntryMatches(const std::string& exeEntry, const std::string& name);

// The processes a "关闭程序" task ends: those of the program `name`
// (ExeEntryMatches) in `session`, the session of the copy that runs the
// task. Another user's programs, in a session switched away or connected
// remotely, are theirs; a process whose session cannot be told is left.
std::vector<std::uint32_t> ProcessesToClose(const std::vector<ProcessEntry>& processes,
                                            const std::string& name, std::uint32_t session);

// The sessions other than `own` where the program `exeName` runs: where the
// other copies of this program are.
std::vector<std::uint32_t> SessionsRunning(const std::vector<ProcessEntry>& processes,
                                           const std::string& exeName, std::uint32_t own);

}  // namespace vantrel
