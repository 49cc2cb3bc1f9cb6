// vantrelctl: Vantrel's tasks from the command line (see command_line.h).
#include <cstdlib>

#include "cli/command_line.h"
#include "cli/system_env.h"
#include "text/gbk_text.h"

// What runs if an exception ever escaped main (RunCli catches them all): end
// at once. Defined here, it stands in for the runtime's own handler, which
// prints the exception's type and links in a name demangler of some 45 KB.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int main(int argc, char** argv) {
    using namespace vantrel;
    bool allGbk = true;
    const std::vector<std::string> args = CommandLineArgs(argc, argv, allGbk);
    std::unique_ptr<CliEnv> env = MakeSystemEnv();
    TextOut out, err;
    // A text GBK cannot hold would be stored (or looked for) with '?' in it:
    // refused as the settings window refuses it, before anything is done.
    int status = kExitUsage;
    if (allGbk)
        status = RunCli(args, *env, out, err);
    else
        err << "vantrelctl: " << kTextNotGbkText << "\n";
    const bool utf8 = WantsUtf8Output(args);
    std::string error;
    // Output that did not arrive (a full disk, a closed pipe) is a failure:
    // a script must not take a half-written export for a whole one.
    if (!WriteStd(StdStream::Out, out.str(), utf8, error)) {
        err << "vantrelctl: 无法写入标准输出: " << error << "\n";
        status = kExitFailed;
    }
    if (!WriteStd(StdStream::Err, err.str(), utf8, error)) status = kExitFailed;
    return status;
}
