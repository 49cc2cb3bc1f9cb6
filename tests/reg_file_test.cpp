#include <gtest/gtest.h>

#include <chrono>

#include "text/codepage.h"
#include "registry/file_registry.h"
#include "registry/reg_file.h"

namespace vantrel {
namespace {

std::string Dword(std::uint32_t n) {
    std::string d;
    for (int i = 0; i < 4; ++i) d.push_back(static_cast<char>(n >> (8 * i) & 0xFF));
    return d;
}

// Every type the file carries, and the texts that need care: escapes, GBK
// characters whose second byte is a backslash (嘰, 圽), line breaks, an
// unnamed value and a list longer than one line.
RegFile Sample() {
    RegFile f;
    RegFileKey k{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel", {}};
    k.values = {
        {"TaskNum", kRegDword, Dword(3)},
        {"tishi", kRegDword, Dword(0xFFFFFFFF)},
        {"soundpath", kRegSz, "C:\\声音\\\"报警\".wav"},
        {"A1", kRegSz, "每天8时0分"},
        {"C1", kRegSz, "嘰嘰圽\\"},
        {"C2", kRegSz, "第一行\r\n第二行"},
        {"名\"字\\", kRegSz, ""},
        {"", kRegSz, "默认"},
        {"path", kRegExpandSz, "%WINDIR%\\系统"},
        {"bin", kRegBinary, std::string(100, '\x5C') + std::string("\0\xff", 2)},
        {"multi", kRegMultiSz, std::string("一\0二", 5)},
        {"big", kRegQword, std::string("\1\2\3\4\5\6\7\x08", 8)},
    };
    f.keys.push_back(k);
    f.keys.push_back(RegFileKey{"HKEY_CURRENT_USER\\Software\\Other", {{"x", kRegDword, Dword(1)}}});
    return f;
}

void ExpectSame(const RegFile& a, const RegFile& b) {
    ASSERT_EQ(a.keys.size(), b.keys.size());
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
        EXPECT_EQ(a.keys[i].path, b.keys[i].path);
        ASSERT_EQ(a.keys[i].values.size(), b.keys[i].values.size());
        for (std::size_t j = 0; j < a.keys[i].values.size(); ++j) {
            EXPECT_EQ(a.keys[i].values[j].name, b.keys[i].values[j].name);
            EXPECT_EQ(a.keys[i].values[j].type, b.keys[i].values[j].type) << a.keys[i].values[j].name;
            EXPECT_EQ(a.keys[i].values[j].data, b.keys[i].values[j].data) << a.keys[i].values[j].name;
        }
    }
}

TEST(RegFile, EveryTypeAndAwkwardTextComeBackAsWritten) {
    const std::string text = WriteRegFile(Sample());
    EXPECT_EQ(text.compare(0, 12, "REGEDIT4\r\n\r\n"), 0);
    // What the registry editor reads: escaped texts, lower-case dwords, and
    // the line-broken text as hex(1), one value per line.
    EXPECT_NE(text.find("\"soundpath\"=\"C:\\\\声音\\\\\\\"报警\\\".wav\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"C1\"=\"嘰嘰圽\\\\\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"tishi\"=dword:ffffffff\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"C2\"=hex(1):"), std::string::npos);
    EXPECT_NE(text.find("@=\"默认\""), std::string::npos);
    EXPECT_NE(text.find(",\\\r\n  5c,"), std::string::npos);
    const RegFileParse back = ParseRegFile(text);
    ASSERT_TRUE(back.ok) << back.error;
    ExpectSame(Sample(), back.file);
}

// A file as the registry editor of Windows 2000 and later writes it: UTF-16
// with a byte-order mark, texts in hex(2) as UTF-16 too.
TEST(RegFile, TheUnicodeKindReadsIntoTheSameGbkTexts) {
    const std::string body =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel]\r\n"
        "\"TaskNum\"=dword:00000001\r\n"
        "\"A1\"=\"每周7日8时0分\"\r\n"
        "\"path\"=hex(2):25,00,57,00,\\\r\n  3b,7cf,00,00\r\n";
    std::string bytes = "\xFF\xFE" + GbkToUtf16Le(body);
    RegFileParse r = ParseRegFile(bytes);
    ASSERT_FALSE(r.ok);  // "7cf" is no byte: the line number says where
    EXPECT_NE(r.error.find("第 7 行"), std::string::npos) << r.error;

    const std::string good = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel]\r\n"
                             "\"TaskNum\"=dword:00000001\r\n"
                             "\"A1\"=\"每周7日8时0分\"\r\n"
                             "\"path\"=hex(2):25,00,57,00,\\\r\n  fb,7c,00,00\r\n";
    r = ParseRegFile("\xFF\xFE" + GbkToUtf16Le(good));
    ASSERT_TRUE(r.ok) << r.error;
    FileRegistry reg(r.file, false);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Brelnix\\Vantrel", false));
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 1);
    EXPECT_EQ(reg.ReadString("A1"), "每周7日8时0分");
    EXPECT_EQ(reg.ReadString("path"), "%W系");
    EXPECT_EQ(reg.TypeOf("path"), ValueType::ExpandString);
}

TEST(RegFile, BrokenFilesSayWhichLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"", "第 1 行"},
        {"REGEDIT5\r\n", "第 1 行"},
        {"REGEDIT4\r\n\"A1\"=\"x\"\r\n", "第 2 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=\"x\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=dword:123456789\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=dword:xyz\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\r\n\"A1\"=hex(4):01,02\r\n", "第 4 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X\r\n", "第 2 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\nA1=1\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=\"x\" y\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\" 1\r\n", "第 3 行"},
    };
    for (const auto& c : cases) {
        const RegFileParse r = ParseRegFile(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error.compare(0, std::string(c.line).size(), c.line), 0) << c.text << " -> " << r.error;
    }
}

TEST(RegFile, DeletionsCommentsAndRepeatedKeysApplyInOrder) {
    const RegFileParse r = ParseRegFile(
        "REGEDIT4\n"
        "; a comment ending in a backslash \\\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\n"
        "\"A1\"=\"一\"\n"
        "\"B1\"=\"二\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n"
        "\"x\"=\"y\"\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n"
        "\"ignored\"=\"z\"\n"
        "[hkey_local_machine\\software\\brelnix\\vantrel]\n"
        "\"a1\"=-\n"
        "\"B1\"=\"三\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.file.keys.size(), 1u);
    ASSERT_EQ(r.file.keys[0].values.size(), 1u);
    EXPECT_EQ(r.file.keys[0].values[0].name, "B1");
    EXPECT_EQ(r.file.keys[0].values[0].data, "三");
}

// [-key] takes the key under any name a section gives it, and its whole tree.
TEST(RegFile, ADeletionTakesTheKeyUnderEveryNameAndItsWholeTree) {
    const struct {
        const char* deletion;
        bool gone;
    } cases[] = {{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix", true}, {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel\\", true},
                 {"HKLM\\SOFTWARE\\Brelnix\\Vantrel", true},     {"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Brelnix", true},
                 {"HKEY_LOCAL_MACHINE\\SOFTWARE", true},             {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vant", false},
                 {"HKEY_CURRENT_USER\\SOFTWARE\\Brelnix", false},  {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel\\Sub", false}};
    for (const auto& c : cases) {
        const RegFileParse r = ParseRegFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\n\"B1\"=\"关闭计算机\"\n[-" +
                                            std::string(c.deletion) + "]\n");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.file.keys.empty(), c.gone) << c.deletion;
        EXPECT_EQ(r.layout.sections[0].removed, c.gone) << c.deletion;
    }
}

// A file cut short inside a continued hex list is refused: read, the value
// would be stored cut and the values after it lost. (A continuation onto a
// blank line was found by fuzzing.)
TEST(RegFile, AFileCutShortInAHexListSaysWhichLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"C1\"=hex(1):41,00,\\\r\n", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"C1\"=hex(1):41,00,\\", "第 3 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=hex:01,\\\r\n  \r\n", "第 4 行"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A1\"=hex:01,02,\r\n\"D1\"=\"x\"\r\n", "第 3 行"},
    };
    for (const auto& c : cases) {
        const RegFileParse r = ParseRegFile(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error.compare(0, std::string(c.line).size(), c.line), 0) << c.text << " -> " << r.error;
    }
}

// Twenty thousand keys, with values and keys deleted along the way, read in
// one pass: a search from the first key for every new one took minutes.
// The bound is many times what the pass takes, even under the sanitizers.
TEST(RegFile, AFileOfTwentyThousandKeysIsReadInOnePass) {
    std::string text = "REGEDIT4\r\n";
    for (int k = 0; k < 20000; ++k) {
        const std::string n = std::to_string(k);
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\V" + n + "]\r\n\"x\"=dword:00000001\r\n\"y\"=\"" + n + "\"\r\n\"x\"=-\r\n";
        if (k % 10 == 9) text += "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\V" + std::to_string(k - 1) + "]\r\n";
    }
    const auto start = std::chrono::steady_clock::now();
    const RegFileParse r = ParseRegFile(text);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.file.keys.size(), 18000u);
    EXPECT_EQ(r.file.keys.back().values.size(), 1u);
    EXPECT_LT(seconds, 10.0);  // about 0.5 s here; the search from the first key took 30 s
}

TEST(RegFile, TheProgramKeyMatchesInEveryFormARegistryFileGivesIt) {
    const std::string key = "\\Software\\Brelnix\\Vantrel";
    for (const char* same : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel",
                             "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Brelnix\\Vantrel",
                             "hkey_local_machine\\software\\WOW6432NODE\\brelnix\\vantrel",
                             "HKLM\\sOfTwArE\\Brelnix\\Vantrel\\", "Software\\Brelnix\\Vantrel"})
        EXPECT_TRUE(SameProgramKey(same, key)) << same;
    for (const char* other : {"HKEY_CURRENT_USER\\Software\\Brelnix\\Vantrel",
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel\\Sub",
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Wow6432Node\\Brelnix\\Vantrel",
                              "HKEY_LOCAL_MACHINE\\Brelnix\\Vantrel"})
        EXPECT_FALSE(SameProgramKey(other, key)) << other;
    EXPECT_EQ(RegFileKeyPath(key, false), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel");
    EXPECT_EQ(RegFileKeyPath(key, true), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brelnix\\Vantrel");
}

}  // namespace
}  // namespace vantrel
