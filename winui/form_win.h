// The small window framework every window of the program shares: a window
// class per form, a window procedure that routes to a virtual handler and is
// the one place where an error of a handler becomes an error box, RAII
// holders for fonts, and the list of forms the application owns until it ends.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// Owns one GDI font.
class Font {
public:
    Font() = default;
    // A font whose characters are `heightPx` pixels high, Chinese (GB2312)
    // character set; `face` is the face's Unicode name.
    Font(const wchar_t* face, int heightPx);
    ~Font();
    Font(Font&& o) noexcept : font_(o.font_) { o.font_ = nullptr; }
    Font& operator=(Font&& o) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    HFONT get() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// The font of the program's windows and their controls: "宋体" with
// characters `heightPx` pixels high (13 unless a control asks otherwise).
Font FormFont(int heightPx = 13);

// Every message box of the program goes through here, so that tests can see
// the boxes instead of blocking on them.
using MessageBoxHook = std::function<int(const char* text, const char* caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);  // empty: real message boxes
int ShowMessageBox(const char* text, const char* caption, UINT type);

// Shows the text of an error that ended a handler, as the application's
// top-level error report does: a message box with the program's title.
void ReportError(const char* text);

class Form {
public:
    Form() = default;
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // The form behind a window this framework made; nullptr for any other
    // window.
    static Form* FromHandle(HWND hwnd);

    HWND hwnd() const { return hwnd_; }
    // The control with this id.
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    void Show();
    void Hide();
    bool IsVisible() const { return hwnd_ && IsWindowVisible(hwnd_); }

protected:
    // Registers `className` once and creates the window with a client area of
    // clientW x clientH, centred on the screen, hidden.
    bool CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle,
                    int clientW, int clientH, HWND owner = nullptr, HICON icon = nullptr);
    // Same, but `width` x `height` is the size of the whole window.
    bool CreateFormOuter(const char* className, const char* caption, DWORD style, DWORD exStyle,
                         int width, int height, HWND owner = nullptr);

    HWND AddControl(const char* windowClass, const char* text, DWORD style, int x, int y, int w,
                    int h, int id, HFONT font, DWORD exStyle = 0);

    // Messages of this window; the default passes them to DefWindowProc.
    // An exception thrown here ends the handler and is reported by ReportError.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // A closed form is hidden, not destroyed, unless a form decides otherwise.
    virtual void OnClose() { Hide(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Forms created for one use (reminders, About, settings, editor) belong to
// the application: a closed one is hidden and all are released at the end,
// unless a form releases itself when it closes.
class OwnedForms {
public:
    static Form* Adopt(std::unique_ptr<Form> form);
    // Destroys `form`, its window and the object. A form may call this from
    // its own handler as the last thing it does there.
    static void Release(Form* form);
    static std::size_t Count();
    static void ReleaseAll();
};

// Text of a window or control, and setting it (GBK bytes both ways; the
// window holds UTF-16).
std::string WindowText(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);

// Appends an item to a combo box's list.
void AddComboText(HWND combo, const std::string& text);

// Lets only `allowed` characters and backspace be typed into an edit box;
// every other character, the clipboard shortcuts' control characters
// included, is dropped, and so is pasting.
void FilterKeys(HWND edit, const char* allowed);

// Runs the messages waiting for this thread, so that a test or a long
// operation lets windows paint and timers fire.
void PumpMessages();

}  // namespace vantrel
