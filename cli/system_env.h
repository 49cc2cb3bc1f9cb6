// The machine vantrelctl runs on: its command line, its clock, files and
// registry (CliEnv), and its console. Built per platform in
// system_env_win.cpp and system_env_posix.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_env.h"

namespace vantrel {

// The arguments after the program name, as GBK texts; `allGbk` false when
// one held a character GBK cannot hold (it would read as '?').
std::vector<std::string> CommandLineArgs(int argc, char** argv, bool& allGbk);

std::unique_ptr<CliEnv> MakeSystemEnv();

enum class StdStream { Out, Err };

// Writes GBK `text` so that it reads right: on a console as wide characters
// (whatever its code page), redirected as GBK bytes, or UTF-8 when `utf8`.
// False, with the system's reason in `error`, when not all of it was written.
bool WriteStd(StdStream stream, const std::string& text, bool utf8, std::string& error);

}  // namespace vantrel
