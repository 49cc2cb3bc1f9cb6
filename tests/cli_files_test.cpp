// vantrelctl on registry files that are not its own (roll-out files, files of
// the registry editor, files cut short) and on a registry that refuses writes
// part way: nothing read half, nothing rewritten behind the user's back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "text/codepage.h"
#include "registry/file_registry.h"
#include "registry/reg_file.h"
#include "tests/cli_test_env.h"

namespace vantrel {
namespace {

using testing::CliRun;
using testing::Ctl;
using testing::TestEnv;

const char kKey[] = "\\Software\\Brelnix\\Vantrel";
const std::string kPlain = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n";
const std::string kWow = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel]\r\n";
const std::string kOneTask =
    "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n\"C1\"=\"\"\r\n\"D1\"=\"启用\"\r\n";
// A REGEDIT4 file holding the program key with `values`.
std::string Reg4(const std::string& values) { return "REGEDIT4\r\n\r\n" + kPlain + values; }
// U+D55C, a character GBK cannot hold, as UTF-16LE.
const std::string kHangul = "\x5C\xD5";

std::string Wide(const std::string& gbk) { return GbkToUtf16Le(gbk); }

// The program key's values of a file or of the registry, name -> type:data.
std::map<std::string, std::string> KeyValues(Registry& reg) {
    std::map<std::string, std::string> out;
    if (!reg.OpenKey(kKey, false)) return out;
    for (const std::string& name : reg.ValueNames())
        out[name] = reg.TypeOf(name) == ValueType::DWord ? "#" + std::to_string(reg.ReadInteger(name))
                                                         : reg.ReadString(name);
    reg.CloseKey();
    return out;
}

std::map<std::string, std::string> FileValues(const std::string& bytes) {
    RegFileParse parsed = ParseRegFile(bytes);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    FileRegistry reg(parsed.file, false);
    return KeyValues(reg);
}

// A file whose program key appears under two names is refused with both
// lines (the registry editor would fill two keys on 64-bit Windows); the same
// name twice is one key, later values winning.
TEST(CliFileKeys, TwoNamesForTheProgramKeyAreRefusedTheSameNameTwiceMerged) {
    const struct {
        std::string file;
        const char* says;  // nullptr: imported, and A1 is then 每天9时0分
    } cases[] = {
        {"REGEDIT4\r\n\r\n" + kPlain + "\"tishi\"=dword:0000001e\r\n\r\n" + kWow + kOneTask, "第 3 行和第 6 行"},
        {Reg4(kOneTask) + "\r\n[hkey_local_machine\\software\\brelnix\\vantrel]\r\n\"a1\"=\"每天9时0分\"\r\n",
         nullptr},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.files["in.reg"] = c.file;
        const std::string before = env.files["t.reg"] = Reg4(kOneTask);
        CliRun r = Ctl(env, {"import", "in.reg", "--replace", "--file", "t.reg"});
        if (!c.says) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(FileValues(env.files["t.reg"])["A1"], "每天9时0分");
            continue;
        }
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(env.files["t.reg"], before);
        r = Ctl(env, {"list", "--file", "in.reg"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

// Files as they arrive: the encoding from the byte-order mark, hex text data
// from the header; cut short, with a character GBK cannot hold in the
// program key, or with records the list cannot hold, they are refused with
// the line or the value.
TEST(CliFileKeys, ImportReadsEveryEncodingOrSaysWhichLine) {
    const std::string path = "%ProgramFiles%\\工具\\a.exe";
    // hex(2) data of the path with its NUL, as UTF-16LE and as GBK bytes.
    auto hex = [](const std::string& bytes) {
        std::string out;
        for (unsigned char b : bytes) {
            char h[4];
            std::snprintf(h, sizeof h, "%02x,", b);
            out += h;
        }
        return out + "00";
    };
    const std::string utf16Data = hex(Wide(path) + std::string(1, '\0'));
    const std::string gbkData = hex(path);
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string task = "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"打开文件\"\r\n";
    const std::string d1 = "\"D1\"=\"启用\"\r\n";
    const std::string shutdown = "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n";
    const struct {
        const char* name;
        std::string bytes;
        const char* says;  // nullptr: C1 reads as the path
    } cases[] = {
        {"5.00 saved as ANSI", v5 + kPlain + task + "\"C1\"=hex(2):" + utf16Data + "\r\n" + d1, nullptr},
        {"5.00 as UTF-8", "\xEF\xBB\xBF" + GbkToUtf8(v5 + kPlain + task + "\"C1\"=hex(2):" + utf16Data + "\r\n" + d1),
         nullptr},
        {"REGEDIT4", Reg4(task + "\"C1\"=hex(2):" + gbkData + "\r\n" + d1), nullptr},
        {"non-GBK elsewhere",
         "\xFF\xFE" + Wide(v5 + "[HKEY_CURRENT_USER\\X]\r\n\"n\"=\"") + kHangul +
             Wide("\"\r\n\r\n" + kPlain + task + "\"C1\"=\"" + path + "\"\r\n" + d1),
         nullptr},
        {"non-GBK text", "\xFF\xFE" + Wide(v5 + kPlain + task + "\"C1\"=\"a") + kHangul + Wide("\"\r\n" + d1),
         "第 7 行: 值 C1 含有 GBK 无法表示的字符"},
        {"non-GBK hex(2)", "\xFF\xFE" + Wide(v5 + kPlain + task + "\"C1\"=hex(2):5c,d5,00,00\r\n" + d1),
         "第 7 行: 值 C1 含有 GBK 无法表示的字符"},
        {"cut in hex(1)", Reg4(task + "\"C1\"=hex(1):61,00,\\\r\n"), "第 7 行"},
        // records the list does not hold, or whose state is neither 启用 nor 禁用
        {"above TaskNum", Reg4(kOneTask + "\"A2\"=\"每天9时0分\"\r\n"), "值 A2 属于第 2 条任务，但 TaskNum 只有 1"},
        {"D with a space", Reg4(shutdown + "\"D1\"=\"启用 \"\r\n"), "是否启用应是"},
        {"no D", Reg4(shutdown), "是否启用应是"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.files["in.reg"] = c.bytes;
        const CliRun r = Ctl(env, {"import", "in.reg", "--file", "t.reg"});
        if (c.says) {
            EXPECT_EQ(r.status, 2) << c.name;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
            EXPECT_EQ(env.files.count("t.reg"), 0u) << c.name;
            continue;
        }
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(FileValues(env.files["t.reg"])["C1"], path) << c.name;
    }
}

// A write through --file changes the program key's lines alone: deletions,
// comments, other keys and the file's encoding stay byte for byte.
TEST(CliFileKeys, AWriteKeepsEveryOtherLineAsItWas) {
    const std::string head =
        "REGEDIT4\r\n\r\n; 分发用的任务\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Old]\r\n\r\n" + kPlain +
        "\"TaskNum\"=dword:00000001\r\n; 第一条\r\n\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n\"C1\"=\"\"\r\n";
    const std::string tail = "\"A5\"=-\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"x\"=-\r\n\"y\"=\"嘰\"\r\n";
    const std::string rollOut = head + "\"D1\"=\"启用\"\r\n" + tail;
    const std::string added = "\"A2\"=\"每天9时0分\"\r\n\"B2\"=\"关闭计算机\"\r\n\"C2\"=\"\"\r\n\"D2\"=\"启用\"\r\n";
    auto withCount = [](std::string text, const char* count) {
        const std::string one = "dword:00000001";
        return text.replace(text.find(one), one.size(), count);
    };
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string other = Wide("[HKEY_CURRENT_USER\\Y]\r\n\"n\"=\"") + kHangul + Wide("\"\r\n\r\n");
    const std::vector<std::string> add = {"add", "--schedule", "每天9时0分", "--action", "关闭计算机"};
    const struct {
        const char* name;
        std::string before;
        std::vector<std::string> args;
        std::string after;
    } cases[] = {
        {"add", rollOut, add,
         withCount(head + "\"D1\"=\"启用\"\r\n\"A5\"=-\r\n" + added, "dword:00000002") + tail.substr(8)},
        {"disable", rollOut, {"disable", "1"}, head + "\"D1\"=\"禁用\"\r\n" + tail},
        {"delete", rollOut, {"delete", "1"}, withCount(head.substr(0, head.find("\"A1\"")), "dword:00000000") + tail},
        {"line feeds only", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\n\"TaskNum\"=dword:00000000\n",
         add,
         "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\n\"TaskNum\"=dword:00000001\n\"A1\"=\"每天9时0分\"\n"
         "\"B1\"=\"关闭计算机\"\n\"C1\"=\"\"\n\"D1\"=\"启用\"\n"},
        {"UTF-16", "\xFF\xFE" + Wide(v5) + other + Wide(kPlain + "\"TaskNum\"=dword:00000000\r\n"), add,
         "\xFF\xFE" + Wide(v5) + other +
             Wide(kPlain + "\"TaskNum\"=dword:00000001\r\n\"A1\"=\"每天9时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n"
                           "\"C1\"=\"\"\r\n\"D1\"=\"启用\"\r\n")},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.files["t.reg"] = c.before;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--file", "t.reg"});
        const CliRun r = Ctl(env, args);
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(env.files["t.reg"], c.after) << c.name;
    }
}

// A registry that refuses writes part way through an import: the import
// never leaves fewer tasks than before, and the restore after it either puts
// back every value ("已恢复原来的内容") or names exactly those it could not.
TEST(CliImportRefused, NeverFewerTasksAndTheRestoreSaysWhatItCouldNot) {
    TestEnv maker;  // five tasks: the list of three grows (or is replaced by more)
    for (int i = 0; i < 5; ++i)
        Ctl(maker, {"add", "--schedule", "每天1" + std::to_string(i) + "时0分", "--action", "关闭计算机", "--file", "f"});
    int cases = 0;
    for (bool replace : {false, true})
        for (int refusals : {-1, 2})
            for (int from = 1;; ++from) {
                TestEnv env;
                for (const char* at : {"每天7时0分", "每天8时0分", "每天9时0分"})
                    ASSERT_EQ(Ctl(env, {"add", "--schedule", at, "--action", "关闭计算机"}).status, 0);
                const std::map<std::string, std::string> before = KeyValues(env.registry);
                env.files["in.reg"] = maker.files["f"];
                env.refusal = {from, refusals, 0};
                std::vector<std::string> args = {"import", "in.reg"};
                if (replace) args.push_back("--replace");
                const CliRun r = Ctl(env, args);
                env.refusal.from = 0;
                if (r.status == 0) break;  // every write done before the refusal
                ++cases;
                const std::string what = "from write " + std::to_string(from) + ": " + r.err;
                const std::map<std::string, std::string> after = KeyValues(env.registry);
                EXPECT_GE(std::stoi(after.at("TaskNum").substr(1)), 3) << what;
                for (const char* a : {"A1", "A2", "A3"}) EXPECT_NE(after.count(a) ? after.at(a) : "", "") << what;
                // Every value that differs is named, and nothing else.
                std::set<std::string> differ, named;
                for (const auto& v : before)
                    if (!after.count(v.first) || after.at(v.first) != v.second) differ.insert(v.first);
                for (const auto& v : after)
                    if (!before.count(v.first)) differ.insert(v.first);
                const std::size_t list = r.err.find("不同: ");
                for (std::size_t p = list == std::string::npos ? r.err.size() : list + 6; p < r.err.size();) {
                    const std::size_t end = std::min(r.err.find("、", p), r.err.size() - 1);
                    named.insert(r.err.substr(p, end - p));
                    p = end + 2;
                }
                EXPECT_EQ(named, differ) << what;
                if (differ.empty()) {
                    EXPECT_NE(r.err.find("已恢复原来的内容"), std::string::npos) << what;
                }
            }
    EXPECT_GT(cases, 40);
}

// What a text holds never breaks the output: a stray byte (one that starts
// no GBK character) becomes U+FFFD in JSON and "?" in the table on its own,
// while 0x80 is the euro sign of code page 936; line breaks and tabs are
// escaped, and export writes the stray byte so that import brings back the
// same bytes.
TEST(CliOutput, StrayBytesAndLineBreaksStayInTheirCell) {
    const struct {
        std::string param;
        const char* json;
        const char* table;
    } cases[] = {
        {"\xC3\"x", "\"param\": \"\\ufffd\\\"x\"", "\t?\"x\t"},
        {"a\xC3\n", "\"param\": \"a\\ufffd\\u000a\"", "\ta?\\n\t"},
        {"\x80\xFF嘰", "\"param\": \"\x80\\ufffd嘰\"", "\t\x80?嘰\t"},
        {"一\r\n二\t三", "\"param\": \"一\\u000d\\u000a二\\u0009三\"", "\t一\\r\\n二\\t三\t"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.files["t.reg"] = Reg4(kOneTask);
        RegFileParse parsed = ParseRegFile(env.files["t.reg"]);
        FileRegistry reg(parsed.file, false);
        reg.OpenKey(kKey, false);
        reg.WriteString("B1", "提醒");
        reg.WriteString("C1", c.param);
        env.files["t.reg"] = WriteRegFile(parsed.file);

        CliRun r = Ctl(env, {"list", "--json", "--file", "t.reg"});
        EXPECT_NE(r.out.find(c.json), std::string::npos) << r.out;
        r = Ctl(env, {"list", "--file", "t.reg"});
        EXPECT_NE(r.out.find(c.table), std::string::npos) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;

        r = Ctl(env, {"export", "out.reg", "--file", "t.reg"});
        ASSERT_EQ(r.status, 0) << r.err;
        r = Ctl(env, {"import", "out.reg", "--file", "back.reg"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(FileValues(env.files["back.reg"])["C1"], c.param);
        // Into a Unicode file a stray byte is a whole UTF-16 "?": a file vantrelctl reads.
        env.files["v5.reg"] = "\xFF\xFE" + Wide("Windows Registry Editor Version 5.00\r\n\r\n" + kPlain + "\"TaskNum\"=dword:0\r\n");
        ASSERT_EQ(Ctl(env, {"import", "out.reg", "--file", "v5.reg"}).status, 0);
        EXPECT_EQ(Ctl(env, {"list", "--file", "v5.reg"}).status, 0);
    }
}

// No program key is a failure for list as for export.
TEST(CliConsistency, WithoutTheProgramKeyListFailsLikeExport) {
    TestEnv env;
    env.files["other.reg"] = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"x\"=\"y\"\r\n";
    for (const char* command : {"list", "export"}) {
        const CliRun r = Ctl(env, {command, "--file", "other.reg"});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("没有 Vantrel 的键"), std::string::npos) << r.err;
    }
}

// A program that takes no hold (an editor, a copy on another machine sharing
// the folder) writes the file after a command read it: the command writes
// nothing over that change and says so; the same without it goes through.
TEST(CliFiles, AFileChangedAfterItWasReadIsNotWrittenOver) {
    struct Meddling : TestEnv {
        std::string meddle;  // written once, right after the command's first read
        bool ReadFile(const std::string& path, std::string& bytes, bool& missing, std::string& error) override {
            const bool read = TestEnv::ReadFile(path, bytes, missing, error);
            if (!meddle.empty()) files[path] = meddle, meddle.clear();
            return read;
        }
    };
    const std::string theirs = Reg4("\"TaskNum\"=dword:00000000\r\n\"tishi\"=dword:0000001e\r\n");
    for (const bool meddled : {false, true}) {
        for (const bool existed : {false, true}) {
            Meddling env;
            if (existed) env.files["t.reg"] = Reg4(kOneTask);
            if (meddled) env.meddle = theirs;
            const CliRun r = Ctl(env, {"add", "--schedule", "每天9时0分", "--action", "关闭计算机", "--file", "t.reg"});
            SCOPED_TRACE(std::string(meddled ? "meddled" : "alone") + (existed ? ", file existed" : ", new file"));
            if (!meddled) {
                EXPECT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(FileValues(env.files["t.reg"])["A" + std::string(existed ? "2" : "1")], "每天9时0分");
                continue;
            }
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("被另一个程序改动过"), std::string::npos) << r.err;
            EXPECT_EQ(env.files["t.reg"], theirs);
        }
    }
}

}  // namespace
}  // namespace vantrel
