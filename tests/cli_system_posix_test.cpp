// vantrelctl's own machine glue off Windows: how it replaces a file and how
// it reports output that did not arrive.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "cli/system_env.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace vantrel {
namespace {

std::string Slurp(const std::string& path) {
    std::string bytes, error;
    bool missing = false;
    MakeSystemEnv()->ReadFile(path, bytes, missing, error);
    return bytes;
}

// The file is replaced through a temporary file made afresh beside it: a
// link planted under any name the writer might pick (or the one an earlier
// version always used) is never written through, and the file keeps its
// permissions.
TEST(CliPosix, AReplacedFileKeepsItsModeAndNoPlantedLinkIsFollowed) {
    char dir[] = "/tmp/vantrelctl-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/tasks.reg", victim = std::string(dir) + "/victim";
    std::unique_ptr<CliEnv> env = MakeSystemEnv();
    std::string error;
    ASSERT_TRUE(env->WriteFile(file, "old", error) && env->WriteFile(victim, "untouched", error)) << error;
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const std::string temp = file + ".vantrelctl-" + std::to_string(getpid()) + "-";
    for (const std::string& name : {file + ".vantrelctl-tmp", temp + "0", temp + "1"})
        ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);

    ASSERT_TRUE(env->WriteFile(file, "new bytes", error)) << error;
    EXPECT_EQ(Slurp(file), "new bytes");
    EXPECT_EQ(Slurp(victim), "untouched");
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(access((temp + "2").c_str(), F_OK), -1) << "temporary file left behind";
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

// vantrelctl beside this program, quoted for the shell.
std::string Vantrelctl() {
    char self[4096] = {0};
    EXPECT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string bin = self;
    return "'" + bin.substr(0, bin.rfind('/')) + "/vantrelctl'";
}

// The program with its output on a full device: exit 1 and a message.
TEST(CliPosix, OutputThatCannotBeWrittenIsAFailure) {
    const std::string file = "/tmp/vantrelctl-full-" + std::to_string(getpid()) + ".reg";
    std::string error;
    ASSERT_TRUE(MakeSystemEnv()->WriteFile(
        file, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n\"TaskNum\"=dword:0\r\n", error));
    const int status = std::system((Vantrelctl() + " export --file " + file + " >/dev/full 2>" + file + ".err").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Slurp(file + ".err").rfind("vantrelctl: ", 0), 0u);
    std::remove(file.c_str());
    std::remove((file + ".err").c_str());
}

// An argument GBK cannot hold (U+1F600; the command line is UTF-8 here) would
// be stored with '?': refused as the settings window refuses it, exit 2.
TEST(CliPosix, AnArgumentGbkCannotHoldIsRefused) {
    const std::string file = "/tmp/vantrelctl-gbk-" + std::to_string(getpid()) + ".reg", face = "\xF0\x9F\x98\x80";
    for (const std::string& args : {"add --file " + file + " --schedule " + GbkToUtf8("每天8时0分") + " --action " +
                                        GbkToUtf8("提醒") + " --param '" + GbkToUtf8("…") + face + "'",
                                    "autostart status --program '/opt/" + face + "/Vantrel.exe'"}) {
        const int status = std::system(("LC_ALL=C " + Vantrelctl() + " " + args + " >/dev/null 2>" + file + ".err").c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2) << args;
        EXPECT_EQ(Slurp(file + ".err"), "vantrelctl: " + std::string(kTextNotGbkText) + "\n") << args;  // GBK under C
        EXPECT_EQ(access(file.c_str(), F_OK), -1) << args;
    }
    std::remove((file + ".err").c_str());
}

// A folder of its own for one test, removed with everything in it.
struct TempFolder {
    std::string path;
    TempFolder() {
        char dir[] = "/tmp/vantrelctl-test-XXXXXX";
        path = mkdtemp(dir) ? dir : "";
    }
    ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
};

// The task count a file holds, as list counts its lines.
int TasksIn(const std::string& file) {
    const std::string bytes = Slurp(file);
    const std::string marker = "\"TaskNum\"=dword:";
    const std::size_t at = bytes.find(marker);
    return at == std::string::npos ? -1 : static_cast<int>(std::strtol(bytes.c_str() + at + marker.size(), nullptr, 16));
}

// Two scripts adding to one file at once, and one adding while another
// deletes: every change reported as done is in the file.
TEST(CliPosix, TwoProcessesOnOneFileLoseNoChange) {
    TempFolder dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string file = dir.path + "/conc.reg";
    const std::string add = Vantrelctl() + " add --file " + file + " --schedule " + GbkToUtf8("每天8时0分") +
                            " --action " + GbkToUtf8("关闭计算机") + " >/dev/null || echo failed";
    const std::string loop = "for i in $(seq 40); do " + add + "; done";
    // Two loops of 40 adds, then one of 20 adds beside one of 20 deletes.
    const std::string script = "(" + loop + ") & (" + loop + ") & wait; " +
                               "(for i in $(seq 20); do " + add + "; done) & " +
                               "(for i in $(seq 20); do " + Vantrelctl() + " delete 1 --file " + file +
                               " >/dev/null || echo failed; done) & wait";
    const std::string log = dir.path + "/failed", scriptFile = dir.path + "/run.sh";
    std::string error;
    ASSERT_TRUE(MakeSystemEnv()->WriteFile(scriptFile, script + "\n", error)) << error;
    ASSERT_EQ(std::system(("sh " + scriptFile + " >" + log).c_str()), 0) << script;
    EXPECT_EQ(Slurp(log), "");
    EXPECT_EQ(TasksIn(file), 80);
}

// --file given a symbolic link changes the file it names and keeps the link;
// export refuses to write over the file it reads, by any name.
TEST(CliPosix, ALinkIsWrittenThroughAndExportNeverWritesOverItsOwnFile) {
    TempFolder dir;
    const std::string target = dir.path + "/tasks.reg", link = dir.path + "/link.reg";
    const std::string add = Vantrelctl() + " add --schedule " + GbkToUtf8("每天8时0分") + " --action " +
                            GbkToUtf8("关闭计算机") + " >/dev/null 2>&1 --file ";
    ASSERT_EQ(std::system((add + target).c_str()), 0);
    ASSERT_EQ(symlink("tasks.reg", link.c_str()), 0);
    ASSERT_EQ(std::system((add + link).c_str()), 0);
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(TasksIn(target), 2);

    const std::string before = Slurp(target);
    for (const std::string& out : {target, link, dir.path + "/./tasks.reg"}) {
        const int status = std::system((Vantrelctl() + " export " + out + " --file " + link + " 2>/dev/null").c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2) << out;
        EXPECT_EQ(Slurp(target), before) << out;
    }
}

// Output to a pipe or a file follows the locale: a UTF-8 locale gets UTF-8
// (so grep finds 提醒), the C locale GBK; --utf8 gives UTF-8 under any, also
// for an error met before --utf8 is read.
TEST(CliPosix, RedirectedOutputFollowsTheLocale) {
    TempFolder dir;
    const std::string file = dir.path + "/t.reg", out = dir.path + "/out";
    ASSERT_EQ(std::system((Vantrelctl() + " add --file " + file + " --schedule " + GbkToUtf8("每天8时0分") +
                           " --action " + GbkToUtf8("提醒") + " --param x >/dev/null 2>&1").c_str()),
              0);
    const struct {
        const char* locale;
        std::string args;
        bool err;   // the text is on stderr
        bool utf8;  // expected encoding
    } cases[] = {
        {"C.UTF-8", "list --file " + file, false, true},
        {"C", "list --file " + file, false, false},
        {"C", "list --utf8 --file " + file, false, true},
        {"C", "--file " + file + " --file " + file + " --utf8", true, true},
        {"C", "--file " + file + " --file " + file, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.args);
        std::system(("LC_ALL=" + std::string(c.locale) + " " + Vantrelctl() + " " + c.args + (c.err ? " 2>" : " >") +
                     out + (c.err ? " >/dev/null" : " 2>/dev/null")).c_str());
        const std::string text = Slurp(out);
        const std::string chinese = c.err ? "只能给一次" : "提醒";
        EXPECT_NE(text.find(c.utf8 ? GbkToUtf8(chinese) : chinese), std::string::npos) << text;
        EXPECT_EQ(text.find(c.utf8 ? chinese : GbkToUtf8(chinese)), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace vantrel
