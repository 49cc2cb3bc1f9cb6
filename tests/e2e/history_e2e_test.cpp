// The run history end to end: the real Vantrel.exe fires a file that does
// not open and a reminder, and vantrelctl history --json reads their lines
// back from the program's history file.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>

#include "store/codepage.h"
#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

std::string CommonAppData() {
    char path[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// vantrelctl's standard output (UTF-8 with --json) and exit status.
std::string Vantrelctl(const std::string& args, DWORD& status) {
    char temp[MAX_PATH] = {0};
    GetTempPathA(MAX_PATH, temp);
    const std::string outPath = std::string(temp) + "vantrel_e2e_history.json";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string cmd = "\"" + FolderPart(ExePath()) + "vantrelctl.exe\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    status = 99;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                       &pi)) {
        WaitForSingleObject(pi.hProcess, 30000);
        GetExitCodeProcess(pi.hProcess, &status);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(out);
    std::ifstream in(outPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileA(outPath.c_str());
    return text.str();
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

    const std::string fired = GbkToUtf8("\"schedule\": \"" + due + "\"");
    std::string json;
    DWORD status = 99;
    EXPECT_TRUE(WaitFor(
        [&] {
            json = Vantrelctl("history --json", status);
            return json.find("\"task\": 2") != std::string::npos;
        },
        5000));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(json.compare(0, 2, "[\n"), 0) << json;
    EXPECT_NE(json.find("\"source\": \"program\", \"task\": null"), std::string::npos) << json;
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
