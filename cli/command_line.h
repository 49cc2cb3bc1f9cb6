// vantrelctl's one place that classifies a command line: which command, its
// operands, its options with and without a value, and the options every
// command takes (--file FILE, --utf8, --help), wherever they stand. Each
// command then gets the classified line and runs on its own (one file per
// command, *_command.cpp), returning the exit status, one table for every
// command: 0 done; 1 the system could not do it (a registry or file that
// cannot be read or written, another writer); 2 the caller's input refused
// (the command line, a schedule, a value, a task number, a file's content;
// nothing written); 3 and 4 as a command says. The reason goes to `err`.
// Every text in and out is GBK; the console glue converts (system_env_*.cpp).
#pragma once

#include <map>
#include <optional>
#include "cli/text_out.h"
#include <set>
#include <string>
#include <vector>

#include "cli/cli_env.h"

namespace vantrel {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// autostart status: start at logon does not start that copy (timer status:
// no quick timer is armed); whom the task starts cannot be told (its command
// cannot be read).
constexpr int kExitNotOn = 3;
constexpr int kExitUnknown = 4;
// status: the service is installed but does not run (3), or there is none (4).
constexpr int kExitServiceNotRunning = 3;
constexpr int kExitNoService = 4;

struct Invocation {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;  // "--schedule" -> its value
    std::set<std::string> flags;                // "--json"
    std::optional<std::string> file;            // --file FILE
    bool utf8 = false;
    bool help = false;

    bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
    const std::string* Value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? nullptr : &it->second;
    }
};

using CommandRun = int (*)(const Invocation& inv, CliEnv& env, TextOut& out,
                           TextOut& err);

struct CommandEntry {
    const char* name;
    std::size_t minOperands;
    std::size_t maxOperands;
    std::vector<const char*> valueOptions;
    std::vector<const char*> flagOptions;
    CommandRun run;
    const char* usage;  // "list [--json]"
    const char* help;   // what it does, with an example
};

const std::vector<CommandEntry>& Commands();

struct Classified {
    bool ok = false;
    Invocation inv;
    const CommandEntry* entry = nullptr;  // nullptr with ok: the general help
    std::string message;                // the usage error when not ok
};

Classified Classify(const std::vector<std::string>& args);

// Whether standard output carries UTF-8 rather than GBK when it is not a
// console: --utf8, or --json (which is UTF-8 by definition).
bool WantsUtf8Output(const std::vector<std::string>& args);

// Classifies `args` (without the program name) and runs the command.
int RunCli(const std::vector<std::string>& args, CliEnv& env, TextOut& out,
           TextOut& err);

// The commands, each in its own file.
int RunCheck(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunList(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunAdd(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunDelete(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunEnable(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunDisable(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunExport(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunImport(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunNext(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunHistory(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunAutostart(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunTimer(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunStatus(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);
int RunSettings(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err);

// A usage error raised inside a command (a value of the wrong form): exit 2.
struct UsageError {
    std::string message;
};

}  // namespace vantrel
