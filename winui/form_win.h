// The small window framework every window of the program shares: a window
// class per form, a window procedure that routes to a virtual handler and is
// the one place where an error of a handler becomes an error box, RAII
// holders for fonts, and the list of forms the application owns until it ends.
//
// Every position, size and font height a form is given is at 96 DPI; the
// framework scales them by the window's DPI, and lays the form out again
// when Windows moves it to a screen of another DPI. At 96 DPI nothing is
// changed, so the windows never deal with DPI themselves.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "text/gbk_text.h"

// Sent by Windows 10 when a window moves to a screen of another DPI; the
// headers define it only for builds that target Windows 7 and later.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vantrel {

// Owns one GDI font.
class Font {
public:
    Font() = default;
    // A font whose characters are `heightPx` pixels high, Chinese (GB2312)
    // character set; `face` is the face's Unicode name.
    Font(const wchar_t* face, int heightPx);
    // Takes over a font made elsewhere.
    explicit Font(HFONT adopted) : font_(adopted) {}
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

// DPI: the screen's (LOGPIXELSY), and a window's (GetDpiForWindow where
// Windows has it, loaded at run time; the screen's otherwise).
UINT ScreenDpi();
UINT DpiOf(HWND window);
inline int ScaleForDpi(int px96, UINT dpi) { return MulDiv(px96, static_cast<int>(dpi), 96); }

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

    // The DPI the form is laid out for, and a 96-DPI length at it.
    UINT dpi() const { return dpi_; }
    int Scale(int px96) const { return ScaleForDpi(px96, dpi_); }
    // Where a control was placed, at 96 DPI (an empty rect for a control the
    // framework did not place).
    RECT LayoutRect(HWND control) const;
    // The client size the form was given, at 96 DPI (0 x 0 for a form given
    // its outer size).
    SIZE LayoutClientSize() const { return client96_; }

    // A control at a 96-DPI position and size, with a font made for 96 DPI
    // (the framework uses the same font scaled to the form's DPI).
    HWND AddControl(const char* windowClass, const char* text, DWORD style, int x, int y, int w,
                    int h, int id, HFONT font, DWORD exStyle = 0);

protected:
    // Registers `className` once and creates the window with a client area of
    // clientW x clientH, centred on the screen, hidden.
    bool CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle,
                    int clientW, int clientH, HWND owner = nullptr, HICON icon = nullptr);
    // Same, but `width` x `height` is the size of the whole window.
    bool CreateFormOuter(const char* className, const char* caption, DWORD style, DWORD exStyle,
                         int width, int height, HWND owner = nullptr);

    // Called after the form was laid out again for another DPI, for what a
    // form sizes itself (a label fitted to its text, list columns).
    virtual void OnDpiChanged() {}
    // A font made for 96 DPI, at this form's DPI (the same font at 96), for a
    // control the form places itself. Valid until the next change of DPI.
    HFONT ScaledFont(HFONT font96);

    // Messages of this window; the default passes them to DefWindowProc.
    // An exception thrown here ends the handler and is reported by ReportError.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // A closed form is hidden, not destroyed, unless a form decides otherwise.
    virtual void OnClose() { Hide(); }

private:
    // (ScaledFont is for the few controls a form places itself.)
    struct Placed {
        HWND control;
        RECT at96;
        HFONT font96;  // as given; the control draws with its scaled copy
    };
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void ApplyDpi(UINT dpi, const RECT* suggested);

    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    SIZE client96_ = {0, 0};
    SIZE outer96_ = {0, 0};
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    std::vector<Placed> placed_;
    std::vector<std::pair<HFONT, Font>> scaledFonts_;  // 96-DPI font -> its scaled copy
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
// Whether every character the window holds has a GBK form: a typed or pasted
// character that has none would be stored as '?' by WindowText.
bool WindowTextFitsGbk(HWND hwnd);
// What a window says when a text to be stored holds such a character:
// kTextNotGbkText (text/gbk_text.h).

// Appends an item to a combo box's list.
void AddComboText(HWND combo, const std::string& text);

// Lets only `allowed` characters and backspace be typed into an edit box;
// every other character, the clipboard shortcuts' control characters
// included, is dropped, and so is pasting.
void FilterKeys(HWND edit, const char* allowed);

// Runs the messages waiting for this thread, so that a test or a long
// operation lets windows paint and timers fire.
void PumpMessages();

// Tab, Enter and Esc move between and press the buttons of whichever of the
// program's windows has the message; true when it was such a key.
bool IsDialogKey(MSG& msg);

// Waits at most `ms` milliseconds for `object` while the thread's messages
// run as in the message loop, so that the program's windows go on answering
// (Windows' shutdown broadcast among them). A WM_QUIT ends the wait and is
// posted again for the message loop.
enum class WaitEnd { Signalled, TimedOut, Quit };
WaitEnd WaitRunningMessages(HANDLE object, DWORD ms);

}  // namespace vantrel
