// The run history end to end: the real Vantrel.exe fires a file that does
// not open and a reminder, and vantrelctl history --json reads their lines
// back from the program's history file.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "text/codepage.h"
#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

std::string CommonAppData() {
    char path[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(EndToEndHistory, AReminderAndAFileThatDoesNotOpenLeaveTheirLines) {
    const std::string folder = CommonAppData() + "\\Vantrel";
    DeleteFileA((folder + "\\history.log").c_str());
    DeleteFileA((folder + "\\history.1.log").c_str());
    WinRegistry::DeleteTree(kKey);
    const std::string due = DailyForNextTicks();
    WriteTasks({{due, "打开文件", "C:\\没有这个文件夹\\报表.xls"}, {due, "提醒", "看看运行记录"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    // The shell may report the missing file in a box of its own; the
    // reminder comes once it is closed.
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND box : Visible(WindowsOf("#32770", v.pid()))) PostMessageA(box, WM_CLOSE, 0, 0);
            return ReminderShown(v.pid(), "看看运行记录");
        },
        20000));

    // The lines as JSON (UTF-8): the file's error with its text, the reminder done.
    const std::string fired = GbkToUtf8("\"schedule\": \"" + due + "\"");
    std::string json;
    int status = 99;
    EXPECT_TRUE(WaitFor(
        [&] {
            status = RunVantrelctl("history --json", &json);
            return json.find("\"task\": 2") != std::string::npos;
        },
        5000));
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find("\"task\": 1, " + fired + ", \"action\": \"" + GbkToUtf8("打开文件")),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"outcome\": \"error\", \"detail\": \""), std::string::npos) << json;
    EXPECT_NE(json.find("\"task\": 2, " + fired + ", \"action\": \"" + GbkToUtf8("提醒") +
                        "\", \"param\": \"" + GbkToUtf8("看看运行记录") +
                        "\", \"outcome\": \"done\", \"detail\": null}"),
              std::string::npos)
        << json;
}

}  // namespace
}  // namespace vantrel
