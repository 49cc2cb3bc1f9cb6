// vantrelctl: Vantrel's tasks from the command line (see command_line.h).
#include <sstream>

#include "cli/command_line.h"
#include "cli/system_env.h"

int main(int argc, char** argv) {
    using namespace vantrel;
    const std::vector<std::string> args = CommandLineArgs(argc, argv);
    std::unique_ptr<CliEnv> env = MakeSystemEnv();
    std::ostringstream out, err;
    const int status = RunCli(args, *env, out, err);
    const bool utf8 = WantsUtf8Output(args);
    WriteStd(StdStream::Out, out.str(), utf8);
    WriteStd(StdStream::Err, err.str(), utf8);
    return status;
}
