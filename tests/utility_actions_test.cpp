#include "actions/utility_actions.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

TEST(CleanupListName, NumbersWithoutLeadingZeros) {
    struct Case {
        LocalTime time;
        std::string expected;
    };
    const Case cases[] = {
        {At(2018, 9, 1, 8, 5, 30), "清理系统垃圾列表201891_8530.txt"},
        {At(2023, 12, 31, 23, 59, 59), "清理系统垃圾列表20231231_235959.txt"},
        {At(2020, 1, 1, 0, 0, 0), "清理系统垃圾列表202011_000.txt"},
        {At(2009, 10, 5, 10, 0, 9), "清理系统垃圾列表2009105_1009.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JunkListFileName(c.time), c.expected);
    }
}

const char kSys[] = "C:\\WINDOWS\\system32";

TEST(CleanupCommandLine, TheSystemsCmdQuotesBothPathsInsideOuterPair) {
    struct Case {
        std::string system;
        std::string folder;
        std::string list;
        std::string expected;
    };
    const Case cases[] = {
        {kSys, "C:\\Vantrel\\", "list.txt",
         "\"C:\\WINDOWS\\system32\\cmd.exe\" /c \"\"C:\\Vantrel\\QLLJ.bat\" > \"C:\\Vantrel\\list.txt\"\""},
        {"D:\\My Windows\\system32\\", "C:\\Program Files\\Tom & Jerry\\",
         "清理系统垃圾列表201891_8530.txt",
         "\"D:\\My Windows\\system32\\cmd.exe\" /c \"\"C:\\Program Files\\Tom & Jerry\\QLLJ.bat\" > "
         "\"C:\\Program Files\\Tom & Jerry\\清理系统垃圾列表201891_8530.txt\"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanupCommandLine(c.system, c.folder, c.list), c.expected);
    }
    EXPECT_STREQ(kCleanupBatchName, "QLLJ.bat");
}

TEST(NetshCommandLine, BothProgramsByFullPathAndTheNameOneQuotedArgument) {
    struct Case {
        std::string adapter;
        bool enable;
        std::string arguments;  // what netsh gets
    };
    const Case cases[] = {
        {"本地连接", false, "int set int name=\"本地连接\" admin=disable"},
        {"以太网", true, "int set int name=\"以太网\" admin=enable"},
        {"Local Area Connection 2", false,
         "int set int name=\"Local Area Connection 2\" admin=disable"},
        // Inside the quotes cmd takes these literally; they are allowed.
        {"LAN & WAN | (x) <y> ^z!", true, "int set int name=\"LAN & WAN | (x) <y> ^z!\" admin=enable"},
        // A GBK character whose trail byte is "|" (0x7C) is one character.
        {"\x81\x7C", true, "int set int name=\"\x81\x7C\" admin=enable"},
    };
    for (const Case& c : cases) {
        const auto got = NetshCommandLine(kSys, c.adapter, c.enable);
        ASSERT_TRUE(got.has_value()) << c.adapter;
        EXPECT_EQ(*got, "\"C:\\WINDOWS\\system32\\cmd.exe\" /c  \"\"C:\\WINDOWS\\system32\\netsh.exe\" " +
                            c.arguments + "\"");
    }
}

TEST(NetshCommandLine, RefusesNamesThatReachCmdsParser) {
    const std::string refused[] = {
        "a\" & del x & \"",  // ends the quoted name
        "\"",
        "%COMSPEC%",  // expansion
        "50%",
        "line\nbreak",
        "cr\rhere",
        "tab\there",
        std::string("nul\0byte", 8),
        "\x01",
        "\x1F",
        "del\x7F",
    };
    for (const std::string& name : refused) {
        EXPECT_FALSE(NetshCommandLine(kSys, name, false).has_value()) << name;
        EXPECT_FALSE(NetshCommandLine(kSys, name, true).has_value()) << name;
    }
}

TEST(ExeEntryMatches, FileNamePartOrWholeEntryAsciiFolded) {
    struct Case {
        std::string entry;
        std::string name;
        bool matches;
    };
    const Case cases[] = {
        {"notepad.exe", "Notepad.EXE", true},
        {"C:\\Windows\\System32\\NOTEPAD.EXE", "notepad.exe", true},
        {"C:\\Windows\\notepad.exe", "C:\\WINDOWS\\NOTEPAD.EXE", true},  // whole entry
        {"notepad.exe", "notepad", false},
        {"notepad.exe", "otepad.exe", false},
        {"C:\\Tools\\notepad.exe", "Tools\\notepad.exe", false},
        {"记事本.exe", "记事本.EXE", true},
        {"D:\\软件\\记事本.exe", "记事本.exe", true},
        // "\x95\x5C" is one character whose trail byte is a backslash: the
        // file-name part is the whole entry, not what follows that byte.
        {"\x95\x5C" "a.exe", "\x95\x5C" "A.EXE", true},
        {"\x95\x5C" "a.exe", "A.EXE", false},
        // Only ASCII letters fold: trail byte 'a' of "\x81\x61" is not 'A'.
        {"\x81\x61.exe", "\x81\x41.exe", false},
        {"a.exe", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExeEntryMatches(c.entry, c.name), c.matches) << c.entry << " / " << c.name;
    }
}

// "关闭程序" ends the program in the session of the copy that runs the task
// only; the other copies of this program are found by session the same way.
TEST(ProcessesBySession, OnlyTheSessionOfTheCopyThatRunsTheTask) {
    const std::vector<ProcessEntry> list = {  // 0xFFFFFFFF: a session that cannot be told
        {10, 1, "notepad.exe"}, {11, 2, "NOTEPAD.EXE"}, {12, 1, "C:\\Windows\\notepad.exe"},
        {13, 0xFFFFFFFF, "notepad.exe"}, {14, 1, "calc.exe"}, {20, 1, "Vantrel.exe"}, {21, 2, "vantrel.exe"},
        {22, 3, "Vantrel.exe"}, {23, 3, "Vantrel.exe"}, {24, 0xFFFFFFFF, "Vantrel.exe"}};
    EXPECT_EQ(ProcessesToClose(list, "Notepad.EXE", 1), (std::vector<std::uint32_t>{10, 12}));
    EXPECT_EQ(ProcessesToClose(list, "notepad.exe", 2), (std::vector<std::uint32_t>{11}));
    EXPECT_EQ(SessionsRunning(list, "Vantrel.exe", 1), (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(SessionsRunning(list, "Vantrel.exe", 3), (std::vector<std::uint32_t>{1, 2}));
}

}  // namespace
}  // namespace vantrel
