// vantrelctl off Windows: files and the clock; no registry (--file instead).
#include <fcntl.h>
#include <langinfo.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/system_env.h"
#include "scheduler/clock.h"
#include "text/codepage.h"

namespace vantrel {

namespace {

// An advisory lock (flock) on the file, or on its folder while the file does
// not exist yet; every vantrelctl takes it the same way.
class PosixHold : public FileHold {
public:
    explicit PosixHold(int fd) : fd_(fd) {}
    ~PosixHold() override { close(fd_); }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

class PosixEnv : public CliEnv {
public:
    LocalTime Now() override { return LocalTimeNow(); }
    std::string ShortDateFormat() override { return SystemShortDateFormat(); }

    bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                  std::string& error) override {
        const int fd = open(GbkToUtf8(path).c_str(), O_RDONLY);
        if (fd < 0) {
            missing = errno == ENOENT;
            error = Utf8ToGbk(std::strerror(errno));
            return false;
        }
        bytes.clear();
        char buffer[65536];
        ssize_t n = 0;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        if (n < 0) error = Utf8ToGbk(std::strerror(errno));
        close(fd);
        return n == 0;
    }

    std::unique_ptr<FileHold> HoldFile(const std::string& path, std::string& error) override {
        const std::string name = GbkToUtf8(path);
        for (;;) {
            bool onFolder = false;
            int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) {
                onFolder = true;
                fd = open(FolderOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            }
            if (fd < 0) {
                error = Utf8ToGbk(std::strerror(errno));
                return nullptr;
            }
            int locked = 0;
            while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked != 0) {
                error = Utf8ToGbk(std::strerror(errno));
                close(fd);
                return nullptr;
            }
            // The writer before this one replaced the file (or made it) while
            // this waited: the lock must be on what the name holds now.
            struct stat held {}, now {};
            const bool exists = stat(name.c_str(), &now) == 0;
            const bool same = fstat(fd, &held) == 0 && exists && held.st_dev == now.st_dev &&
                              held.st_ino == now.st_ino;
            if (onFolder ? !exists : same) return std::unique_ptr<FileHold>(new PosixHold(fd));
            close(fd);
        }
    }

    bool SameFile(const std::string& a, const std::string& b) override {
        struct stat sa {}, sb {};
        return stat(GbkToUtf8(a).c_str(), &sa) == 0 && stat(GbkToUtf8(b).c_str(), &sb) == 0 &&
               sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }

    bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override {
        // Written beside the file and renamed over it, so a failure leaves the
        // old file whole. The temporary name is created afresh (never an
        // existing file or a link planted under a name that can be guessed),
        // gets the file's permissions, and reaches the disk before the rename.
        // A path that is a symbolic link is written through to the file it
        // names: the link stays a link.
        std::string target = GbkToUtf8(path);
        if (char* real = realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
        struct stat old {};
        const bool existed = stat(target.c_str(), &old) == 0;
        std::string temp;
        int fd = -1;
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            temp = target + ".vantrelctl-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
            fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            error = Utf8ToGbk(std::strerror(errno));
            return false;
        }
        bool ok = !existed || fchmod(fd, old.st_mode & 07777) == 0;
        for (std::size_t done = 0; ok && done < bytes.size();) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        ok = ok && fsync(fd) == 0;
        const int code = errno;
        ok = close(fd) == 0 && ok;
        if (ok && std::rename(temp.c_str(), target.c_str()) == 0) return true;
        error = Utf8ToGbk(std::strerror(ok ? errno : code));
        unlink(temp.c_str());
        return false;
    }

    std::unique_ptr<Registry> OpenRegistry(bool, std::string& error) override {
        error = "这里没有 Windows 注册表，请用 --file 文件";
        return nullptr;
    }

    std::string WriteFailure(Registry&, const RegistryError& e) override { return e.what(); }
    bool Wow64() override { return false; }
};

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv, bool& allGbk) {
    std::vector<std::string> args;
    allGbk = true;
    for (int i = 1; i < argc; ++i) {
        allGbk = allGbk && ConsoleFitsGbk(argv[i]);
        args.push_back(ConsoleToGbk(argv[i]));
    }
    return args;
}

std::unique_ptr<CliEnv> MakeSystemEnv() { return std::unique_ptr<CliEnv>(new PosixEnv); }

namespace {

enum class LocaleText { Utf8, Gbk, Other };

// The encoding of the locale the program runs in (LANG, LC_ALL, LC_CTYPE).
LocaleText LocaleEncoding() {
    static const LocaleText found = [] {
        std::setlocale(LC_CTYPE, "");
        const char* set = nl_langinfo(CODESET);
        if (!set) return LocaleText::Other;
        if (strcasecmp(set, "UTF-8") == 0 || strcasecmp(set, "UTF8") == 0) return LocaleText::Utf8;
        if (strcasecmp(set, "GBK") == 0 || strcasecmp(set, "GB18030") == 0 || strcasecmp(set, "GB2312") == 0)
            return LocaleText::Gbk;
        return LocaleText::Other;
    }();
    return found;
}

}  // namespace

bool WriteStd(StdStream stream, const std::string& text, bool utf8, std::string& error) {
    const int fd = stream == StdStream::Out ? 1 : 2;
    // The locale's encoding, so that a pipe to grep or a file finds the
    // texts as typed; a locale that names neither (C) leaves a terminal
    // UTF-8 and anything else GBK.
    const LocaleText locale = LocaleEncoding();
    const bool toUtf8 = utf8 || locale == LocaleText::Utf8 || (locale == LocaleText::Other && isatty(fd));
    const std::string bytes = toUtf8 ? GbkToUtf8(text) : text;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = Utf8ToGbk(std::strerror(n < 0 ? errno : EIO));
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace vantrel
