#include "actions/utility_actions.h"

#include <algorithm>

#include "text/gbk_text.h"

namespace vantrel {

const char* const kCleanupBatchName = "QLLJ.bat";

std::string JunkListFileName(const LocalTime& t) {
    return std::string("清理系统垃圾列表") + std::to_string(t.year) + std::to_string(t.month) +
           std::to_string(t.day) + "_" + std::to_string(t.hour) + std::to_string(t.minute) +
           std::to_string(t.second) + ".txt";
}

std::string SystemProgram(const std::string& systemFolder, const std::string& name) {
    if (!systemFolder.empty() && systemFolder.back() == '\\') return systemFolder + name;
    return systemFolder + "\\" + name;
}

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::string CleanupCommandLine(const std::string& systemFolder, const std::string& folder,
                               const std::string& listName) {
    // cmd takes away the first and the last quote of everything after /c when
    // the text holds more than one pair, so the outer pair is there only to be
    // removed and each path keeps its own quotes: a program folder such as
    // "C:\Program Files\..." or one with "&" in its name stays one path.
    return Quoted(SystemProgram(systemFolder, "cmd.exe")) + " /c \"" +
           Quoted(folder + kCleanupBatchName) + " > " + Quoted(folder + listName) + "\"";
}

std::optional<std::string> NetshCommandLine(const std::string& systemFolder,
                                            const std::string& adapter, bool enable) {
    if (!AdapterNameIsSafe(adapter)) return std::nullopt;
    // The outer pair of quotes after /c is the one cmd takes away (see
    // CleanupCommandLine); the two blanks after /c are the command's own.
    return Quoted(SystemProgram(systemFolder, "cmd.exe")) + " /c  \"" +
           Quoted(SystemProgram(systemFolder, "netsh.exe")) + " int set int name=" +
           Quoted(adapter) + (enable ? " admin=enable" : " admin=disable") + "\"";
}

bool ExeEntryMatches(const std::string& exeEntry, const std::string& name) {
    const std::string wanted = AsciiUpper(name);
    return AsciiUpper(FileNamePart(exeEntry)) == wanted || AsciiUpper(exeEntry) == wanted;
}

std::vector<std::uint32_t> ProcessesToClose(const std::vector<ProcessEntry>& processes,
                                            const std::string& name, std::uint32_t session) {
    std::vector<std::uint32_t> pids;
    for (const ProcessEntry& p : processes)
        if (p.session == session && ExeEntryMatches(p.exe, name)) pids.push_back(p.pid);
    return pids;
}

std::vector<std::uint32_t> SessionsRunning(const std::vector<ProcessEntry>& processes,
                                           const std::string& exeName, std::uint32_t own) {
    std::vector<std::uint32_t> sessions;
    for (const ProcessEntry& p : processes) {
        if (p.session == own || p.session == 0xFFFFFFFF || !ExeEntryMatches(p.exe, exeName)) continue;
        if (std::find(sessions.begin(), sessions.end(), p.session) == sessions.end())
            sessions.push_back(p.session);
    }
    return sessions;
}

}  // namespace vantrel
