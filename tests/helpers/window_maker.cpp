// Creates the kinds of top-level windows the close-all step must tell apart,
// in a process of its own, and writes "<name>" into a file in the folder
// given as its argument when a window receives WM_CLOSE.
// With "--hung" after the folder it instead shows one window, "Hung window",
// writes the file "hung" and then takes no message for 60 seconds: a hung
// program, for the tests of what a broadcast waits for.
#include <windows.h>

#include <string>

namespace {

std::string g_folder;

void Mark(HWND hwnd) {
    char name[64] = {0};
    GetPropA(hwnd, "name") ? lstrcpynA(name, static_cast<const char*>(GetPropA(hwnd, "name")), 64)
                           : lstrcpynA(name, "unnamed", 64);
    std::string path = g_folder + "\\closed-" + name;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        Mark(hwnd);
        return 0;  // stay, so every window can be asked
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Make(const char* name, const char* title, DWORD exStyle, HWND owner, bool visible) {
    HWND w = CreateWindowExA(exStyle, "VantrelWindowMaker", title, WS_OVERLAPPEDWINDOW, 10, 10,
                             200, 100, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetPropA(w, "name", const_cast<char*>(name));
    if (visible) ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    g_folder = argv[1];
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VantrelWindowMaker";
    RegisterClassA(&wc);

    if (argc > 2 && std::string(argv[2]) == "--hung") {
        Make("hung", "Hung window", 0, nullptr, true);
        std::string mark = g_folder + "\\hung";
        HANDLE h = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        Sleep(60000);
        return 0;
    }

    HWND normal = Make("normal", "Normal window", 0, nullptr, true);
    Make("tool", "Tool window", WS_EX_TOOLWINDOW, nullptr, true);
    Make("owned", "Owned window", 0, normal, true);
    Make("untitled", "", 0, nullptr, true);
    Make("hidden", "Hidden window", 0, nullptr, false);
    HWND minimised = Make("minimised", "Minimised window", 0, nullptr, false);
    ShowWindow(minimised, SW_SHOWMINNOACTIVE);

    std::string ready = g_folder + "\\ready";
    HANDLE f = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);

    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 30000) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    return 0;
}
