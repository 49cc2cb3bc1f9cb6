// The start-up floor: a minimal Win32 program that creates one hidden window
// and one tray icon, then waits for messages. It carries the program's
// manifest and so, like the program, loads the common controls before its
// first window (Windows XP creates none until then).
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (HMODULE controls = LoadLibraryA("comctl32.dll")) {
        auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
        if (init) init(&classes);
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "VantrelFloor";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("VantrelFloor", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = 88;
    nid.hWnd = hwnd;
    nid.uID = 100;
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    lstrcpyA(nid.szTip, "floor");
    Shell_NotifyIconA(NIM_ADD, &nid);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    return 0;
}
