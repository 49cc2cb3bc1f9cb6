#include "winui/form_win.h"

#include <cstring>
#include <set>

#include "text/codepage_win.h"
#include "winui/accessible_win.h"

namespace vantrel {

Font::Font(const wchar_t* face, int heightPx) {
    // The character set is what lets a system of another language find the
    // Chinese face by its Chinese name; the ANSI set would not.
    font_ = CreateFontW(-heightPx, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, face);
}

Font::~Font() {
    if (font_) DeleteObject(font_);
}

Font FormFont(int heightPx) { return Font(L"宋体", heightPx); }

Font& Font::operator=(Font&& o) noexcept {
    if (this != &o) {
        if (font_) DeleteObject(font_);
        font_ = o.font_;
        o.font_ = nullptr;
    }
    return *this;
}

namespace {

// Functions of newer Windows versions (10, 1607 and later), looked up once;
// null where Windows lacks them.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// The outer size of a window whose client area is `client`, with the frame
// as Windows draws it at `dpi`.
SIZE OuterSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r = {0, 0, client.cx, client.cy};
    if (!adjust || !adjust(&r, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT ScaledRect(const RECT& r, UINT dpi) {
    return RECT{ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.right, dpi),
                ScaleForDpi(r.bottom, dpi)};
}

}  // namespace

UINT ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT DpiOf(HWND window) {
    static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi ? dpi : ScreenDpi();
}

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

int ShowMessageBox(const char* text, const char* caption, UINT type) {
    if (Hook()) return Hook()(text, caption, type);
    return MessageBoxW(nullptr, Wide(text ? text : "").c_str(), Wide(caption ? caption : "").c_str(),
                       type);
}

void ReportError(const char* text) {
    ShowMessageBox(text, "Vantrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

Form::~Form() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

Form* Form::FromHandle(HWND hwnd) {
    // Only a window of this framework's procedure keeps a form in its user
    // data; any other window may keep anything there.
    if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Form::WndProc))
        return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Form::Show() { ShowWindow(hwnd_, SW_SHOW); }
void Form::Hide() { ShowWindow(hwnd_, SW_HIDE); }

namespace {

void RegisterOnce(const char* className, WNDPROC proc, HICON icon) {
    static std::set<std::string> registered;
    if (registered.count(className)) return;
    const WideText name = Wide(className);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    wc.hIcon = icon;
    if (RegisterClassExW(&wc)) registered.insert(className);
}

}  // namespace

bool Form::CreateFormOuter(const char* className, const char* caption, DWORD style,
                           DWORD exStyle, int width, int height, HWND owner) {
    RegisterOnce(className, &Form::WndProc, nullptr);
    // Laid out for the screen's DPI first; a window that Windows places on a
    // screen of another DPI is laid out again below.
    dpi_ = ScreenDpi();
    style_ = style;
    exStyle_ = exStyle;
    SIZE size;
    if (client96_.cx || client96_.cy) {
        size = OuterSize(SIZE{Scale(client96_.cx), Scale(client96_.cy)}, style, exStyle, dpi_);
    } else {
        outer96_ = SIZE{width, height};
        size = SIZE{Scale(width), Scale(height)};
    }
    int x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
    CreateWindowExW(exStyle, Wide(className).c_str(), Wide(caption ? caption : "").c_str(), style, x,
                    y, size.cx, size.cy, owner, nullptr, GetModuleHandleW(nullptr), this);
    if (hwnd_ && DpiOf(hwnd_) != dpi_) ApplyDpi(DpiOf(hwnd_), nullptr);
    return hwnd_ != nullptr;
}

bool Form::CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle,
                      int clientW, int clientH, HWND owner, HICON icon) {
    RegisterOnce(className, &Form::WndProc, icon);
    client96_ = SIZE{clientW, clientH};
    return CreateFormOuter(className, caption, style, exStyle, 0, 0, owner);
}

HWND Form::AddControl(const char* windowClass, const char* text, DWORD style, int x, int y, int w,
                      int h, int id, HFONT font, DWORD exStyle) {
    const RECT at96 = {x, y, x + w, y + h};
    const RECT at = ScaledRect(at96, dpi_);
    HWND control = CreateWindowExW(exStyle, Wide(windowClass).c_str(), Wide(text ? text : "").c_str(),
                                   WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                                   at.bottom - at.top, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ScaledFont(font)), FALSE);
    placed_.push_back(Placed{control, at96, font});
    return control;
}

RECT Form::LayoutRect(HWND control) const {
    for (const Placed& p : placed_)
        if (p.control == control) return p.at96;
    return RECT{0, 0, 0, 0};
}

HFONT Form::ScaledFont(HFONT font96) {
    if (dpi_ == 96) return font96;
    for (const auto& f : scaledFonts_)
        if (f.first == font96) return f.second.get();
    LOGFONTW lf = {};
    if (!GetObjectW(font96, sizeof lf, &lf)) return font96;
    lf.lfHeight = lf.lfHeight < 0 ? -Scale(-lf.lfHeight) : Scale(lf.lfHeight);
    lf.lfWidth = Scale(lf.lfWidth);
    scaledFonts_.emplace_back(font96, Font(CreateFontIndirectW(&lf)));
    return scaledFonts_.back().second.get();
}

void Form::ApplyDpi(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    // The controls draw with the old fonts until they are handed the new
    // ones: those go only at the end.
    std::vector<std::pair<HFONT, Font>> oldFonts = std::move(scaledFonts_);
    scaledFonts_.clear();
    for (const Placed& p : placed_) {
        const RECT at = ScaledRect(p.at96, dpi_);
        SetWindowPos(p.control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (p.font96)
            SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(ScaledFont(p.font96)), TRUE);
    }
    RECT now;
    GetWindowRect(hwnd_, &now);
    const SIZE size = client96_.cx || client96_.cy
                          ? OuterSize(SIZE{Scale(client96_.cx), Scale(client96_.cy)}, style_, exStyle_, dpi_)
                          : SIZE{Scale(outer96_.cx), Scale(outer96_.cy)};
    const POINT at = suggested ? POINT{suggested->left, suggested->top} : POINT{now.left, now.top};
    SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    OnDpiChanged();
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        OnClose();
        return 0;
    }
    // Moved to a screen of another DPI (Windows 10): the same layout at the
    // new DPI, where Windows suggests.
    if (msg == WM_DPICHANGED) {
        ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    if (msg == WM_SYSCOLORCHANGE) {
        FollowSystemColours(hwnd_);
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form*>(cs->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wParam, lParam);
    // The one place where a handler's error meets the user: the handler ends,
    // what it already wrote stays written, and the program goes on.
    try {
        return form->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
    return 0;
}

namespace {
std::vector<std::unique_ptr<Form>>& Owned() {
    static std::vector<std::unique_ptr<Form>> forms;
    return forms;
}
}  // namespace

Form* OwnedForms::Adopt(std::unique_ptr<Form> form) {
    Owned().push_back(std::move(form));
    return Owned().back().get();
}

void OwnedForms::Release(Form* form) {
    auto& owned = Owned();
    for (auto it = owned.begin(); it != owned.end(); ++it) {
        if (it->get() != form) continue;
        // Out of the list first: destroying the window runs messages, which
        // may open another form.
        std::unique_ptr<Form> released = std::move(*it);
        owned.erase(it);
        return;
    }
}

std::size_t OwnedForms::Count() { return Owned().size(); }

void OwnedForms::ReleaseAll() { Owned().clear(); }

std::string WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, text.data(), n + 1);
    return Narrow(text.data(), n > 0 ? n : 0);
}

bool WindowTextFitsGbk(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, text.data(), n + 1);
    return FitsGbk(text.data(), n > 0 ? n : 0);
}

void SetText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, Wide(text).c_str()); }

void AddComboText(HWND combo, const std::string& text) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

namespace {

const wchar_t kFilterProp[] = L"Vantrel.KeyFilter";
const wchar_t kOldProcProp[] = L"Vantrel.OldProc";

LRESULT CALLBACK FilterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOldProcProp));
    if (msg == WM_CHAR) {
        const char* allowed = static_cast<const char*>(GetPropW(hwnd, kFilterProp));
        char c = static_cast<char>(wParam);
        bool keep = wParam == 8 || (wParam < 128 && c != 0 && allowed && std::strchr(allowed, c));
        if (!keep) return 0;
    }
    if (msg == WM_PASTE) return 0;
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kFilterProp);
        RemovePropW(hwnd, kOldProcProp);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    }
    return CallWindowProcW(old, hwnd, msg, wParam, lParam);
}

}  // namespace

void FilterKeys(HWND edit, const char* allowed) {
    SetPropW(edit, kFilterProp, const_cast<char*>(allowed));
    LONG_PTR old = SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterProc));
    SetPropW(edit, kOldProcProp, reinterpret_cast<HANDLE>(old));
}

bool IsDialogKey(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    return root && IsDialogMessageW(root, &msg);
}

WaitEnd WaitRunningMessages(HANDLE object, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return WaitEnd::Quit;
            }
            if (IsDialogKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD spent = GetTickCount() - start;  // right across a wrap
        if (spent >= ms) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0 ? WaitEnd::Signalled
                                                                               : WaitEnd::TimedOut;
        // MWMO_INPUTAVAILABLE: a message that came while the last ones ran
        // ends the wait too, not only one that comes after it began.
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &object, ms - spent, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) return WaitEnd::Signalled;
        if (woke == WAIT_FAILED) return WaitEnd::TimedOut;
    }
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace vantrel
