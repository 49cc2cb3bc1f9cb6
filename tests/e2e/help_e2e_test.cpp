// The tray menu's help item, end to end: the real program, its real menu
// opened from the tray icon's message, and the help viewer it starts on the
// help file beside the program (under Wine, hh.exe through the file type's
// association, as on Windows).
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The command line of another 32-bit process, read from its process
// parameters: the process environment block at +0x10 points to them, and
// they hold the command line as a counted wide string at +0x40.
std::string CommandLineOf(DWORD pid) {
    struct BasicInformation {
        LONG exitStatus;
        BYTE* peb;
        ULONG_PTR affinity, priority, pid, parentPid;
    };
    using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process || !query) return "";
    std::string result;
    BasicInformation info = {};
    BYTE* parameters = nullptr;
    struct {
        USHORT length, maximum;
        WCHAR* buffer;
    } line = {};
    if (query(process, 0, &info, sizeof info, nullptr) == 0 &&
        ReadProcessMemory(process, info.peb + 0x10, &parameters, sizeof parameters, nullptr) &&
        ReadProcessMemory(process, parameters + 0x40, &line, sizeof line, nullptr)) {
        std::wstring wide(line.length / sizeof(WCHAR), L'\0');
        if (ReadProcessMemory(process, line.buffer, &wide[0], line.length, nullptr)) {
            char narrow[4096] = {0};
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, sizeof narrow - 1, nullptr, nullptr);
            result = narrow;
        }
    }
    CloseHandle(process);
    return result;
}

std::vector<DWORD> ProcessesNamed(const std::string& exe) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry))
        if (Lower(entry.szExeFile) == exe) found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

TEST(EndToEndHelp, TheHelpItemOfTheTrayMenuOpensTheHelpFileBesideTheProgram) {
    const std::string helpFile = FolderPart(ExePath()) + "Vantrel.CHM";
    ASSERT_NE(GetFileAttributesA(helpFile.c_str()), INVALID_FILE_ATTRIBUTES) << helpFile;
    Vantrel v;
    ASSERT_TRUE(v.Start());
    // The menu key on the icon, as the shell tells it: the event in the low
    // word of lParam (version 3: lParam itself), the menu's place in wParam.
    PostMessageA(v.MainWindow(), WM_USER + 1, MAKEWPARAM(200, 200), WM_CONTEXTMENU);
    ASSERT_TRUE(WaitFor([] { return FindWindowA("#32768", nullptr) != nullptr; }, 5000));
    Sleep(300);
    keybd_event('H', 0, 0, 0);  // 帮助(&H)
    keybd_event('H', 0, KEYEVENTF_KEYUP, 0);

    DWORD viewer = 0;
    std::string commandLine;
    WaitFor(
        [&] {
            for (DWORD pid : ProcessesNamed("hh.exe")) {
                commandLine = CommandLineOf(pid);
                if (Lower(commandLine).find(Lower(helpFile)) != std::string::npos) {
                    viewer = pid;
                    return true;
                }
            }
            return false;
        },
        15000);
    ASSERT_NE(viewer, 0u) << "no hh.exe on " << helpFile << "; last command line seen: " << commandLine;
    EXPECT_TRUE(v.Running());
    // The viewer this test made the program start.
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, viewer)) {
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

}  // namespace
}  // namespace vantrel
