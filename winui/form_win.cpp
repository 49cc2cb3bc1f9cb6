#include "winui/form_win.h"

#include <cstring>
#include <set>

#include "store/codepage_win.h"

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
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(exStyle, Wide(className).c_str(), Wide(caption ? caption : "").c_str(), style, x,
                    y, width, height, owner, nullptr, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

bool Form::CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle,
                      int clientW, int clientH, HWND owner, HICON icon) {
    RegisterOnce(className, &Form::WndProc, icon);
    RECT r = {0, 0, clientW, clientH};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return CreateFormOuter(className, caption, style, exStyle, r.right - r.left,
                           r.bottom - r.top, owner);
}

HWND Form::AddControl(const char* windowClass, const char* text, DWORD style, int x, int y, int w,
                      int h, int id, HFONT font, DWORD exStyle) {
    HWND control = CreateWindowExW(exStyle, Wide(windowClass).c_str(), Wide(text ? text : "").c_str(),
                                   WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        OnClose();
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
