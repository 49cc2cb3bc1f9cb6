// vantrelctl's own machine glue off Windows: how it replaces a file and how
// it reports output that did not arrive.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/system_env.h"

namespace vantrel {
namespace {

std::string Slurp(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

void Spit(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class CliPosix : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrelctl-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_;
};

// The file is replaced through a temporary file made afresh beside it: a
// link planted under any name the writer might pick (or under the name an
// earlier version used) is never written through, and the file keeps its
// permissions.
TEST_F(CliPosix, AReplacedFileKeepsItsModeAndNoPlantedLinkIsFollowed) {
    const std::string file = dir_ + "/tasks.reg";  // GBK and UTF-8 alike
    const std::string victim = dir_ + "/victim";
    Spit(file, "old");
    Spit(victim, "untouched");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const std::string pid = std::to_string(getpid());
    for (const std::string& name : {file + ".vantrelctl-tmp", file + ".vantrelctl-" + pid + "-0",
                                    file + ".vantrelctl-" + pid + "-1", file + ".vantrelctl-" + pid + "-2"})
        ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);

    std::unique_ptr<CliEnv> env = MakeSystemEnv();
    std::string error;
    ASSERT_TRUE(env->WriteFile(file, "new bytes", error)) << error;
    EXPECT_EQ(Slurp(file), "new bytes");
    EXPECT_EQ(Slurp(victim), "untouched");
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(access((file + ".vantrelctl-" + pid + "-3").c_str(), F_OK), -1) << "temporary file left behind";
}

TEST_F(CliPosix, OutputThatCannotBeWrittenIsAFailure) {
    // The function itself, with standard output on a full device.
    const int saved = dup(1);
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ASSERT_GE(dup2(full, 1), 0);
    std::string error;
    const bool written = WriteStd(StdStream::Out, "REGEDIT4\r\n", false, error);
    dup2(saved, 1);
    close(saved);
    close(full);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());

    // The program: an export to a full device exits 1 with a message.
    char self[4096] = {0};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string bin = self;
    bin = bin.substr(0, bin.rfind('/')) + "/vantrelctl";
    const std::string file = dir_ + "/t.reg";
    Spit(file, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n\"TaskNum\"=dword:00000000\r\n");
    const std::string err = dir_ + "/err";
    const int status = std::system(("'" + bin + "' export --file '" + file + "' >/dev/full 2>'" + err + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(Slurp(err).find("vantrelctl: "), std::string::npos);
}

}  // namespace
}  // namespace vantrel
