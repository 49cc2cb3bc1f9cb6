// vantrelctl off Windows: files and the clock; no registry (--file instead).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/system_env.h"
#include "scheduler/clock.h"
#include "store/codepage.h"

namespace vantrel {

namespace {

class PosixEnv : public CliEnv {
public:
    LocalTime Now() override { return LocalTimeNow(); }
    std::string ShortDateFormat() override { return SystemShortDateFormat(); }

    bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                  std::string& error) override {
        std::ifstream in(GbkToUtf8(path), std::ios::binary);
        if (!in) {
            missing = errno == ENOENT;
            error = Utf8ToGbk(std::strerror(errno));
            return false;
        }
        std::ostringstream all;
        all << in.rdbuf();
        bytes = all.str();
        return true;
    }

    bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override {
        // Written beside the file and renamed over it, so a failure leaves the
        // old file whole.
        const std::string target = GbkToUtf8(path);
        const std::string temp = target + ".vantrelctl-tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!(out << bytes) || !out.flush()) {
                error = Utf8ToGbk(std::strerror(errno));
                std::remove(temp.c_str());
                return false;
            }
        }
        if (std::rename(temp.c_str(), target.c_str()) != 0) {
            error = Utf8ToGbk(std::strerror(errno));
            std::remove(temp.c_str());
            return false;
        }
        return true;
    }

    std::unique_ptr<Registry> OpenRegistry(bool, std::string& error) override {
        error = "这里没有 Windows 注册表，请用 --file 文件";
        return nullptr;
    }

    std::string WriteFailure(Registry&, const RegistryError& e) override { return e.what(); }
    bool Wow64() override { return false; }
};

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(ConsoleToGbk(argv[i]));
    return args;
}

std::unique_ptr<CliEnv> MakeSystemEnv() { return std::unique_ptr<CliEnv>(new PosixEnv); }

void WriteStd(StdStream stream, const std::string& text, bool utf8) {
    const int fd = stream == StdStream::Out ? 1 : 2;
    // A terminal here speaks UTF-8.
    const std::string bytes = utf8 || isatty(fd) ? GbkToUtf8(text) : text;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace vantrel
