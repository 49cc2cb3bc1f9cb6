#include "actions/reminder_window_win.h"

#include <memory>

#include "actions/handle_win.h"
#include "actions/utility_actions_win.h"
#include "text/codepage_win.h"
#include "winui/form_win.h"

namespace vantrel {

const char* const kReminderClassName = "TForm6";

namespace {

const DWORD kReminderStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Enter and Esc close the reminder. The application's message loop does no
// dialog navigation, so the button, which always holds the focus, passes
// these keys to its window itself.
LRESULT CALLBACK ButtonKeys(HWND button, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_USERDATA));
    if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        SendMessageW(GetParent(button), WM_CLOSE, 0, 0);
        return 0;
    }
    if (msg == WM_GETDLGCODE) {
        return CallWindowProcW(previous, button, msg, wParam, lParam) | DLGC_WANTALLKEYS;
    }
    return CallWindowProcW(previous, button, msg, wParam, lParam);
}

class ReminderForm : public Form {
public:
    bool Create() {
        if (!CreateFormOuter(kReminderClassName, "提示", kReminderStyle, WS_EX_TOPMOST, 400, 169)) {
            return false;
        }
        font_ = FormFont();
        // Created first, so that it is first in the tab order.
        button_ = AddControl("BUTTON", "确定", WS_TABSTOP | BS_DEFPUSHBUTTON, 160, 96, 75, 25,
                             kReminderButtonId, font_.get());
        // The text is shown as stored: "&" is a character, not an accelerator.
        label_ = AddControl("STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 48, 48, 0, 0,
                            kReminderLabelId, font_.get());
        if (!button_ || !label_) return false;
        // The W calls: subclassing through the A ones would turn the button
        // into an ANSI window, whose text the system's code page decides.
        SetWindowLongPtrW(button_, GWLP_USERDATA, GetWindowLongPtrW(button_, GWLP_WNDPROC));
        SetWindowLongPtrW(button_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonKeys));
        FitLabel();
        return true;
    }

    void SetMessage(const std::string& text) {
        SetText(label_, text);
        FitLabel();
    }

protected:
    // A closed reminder is destroyed, not hidden: an every-minute reminder
    // would otherwise pile up window objects until the process reaches its
    // limit and no window at all can be created. Nothing of the form may be
    // touched after this.
    void OnClose() override { OwnedForms::Release(this); }
    void OnDpiChanged() override { FitLabel(); }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kReminderButtonId && HIWORD(wParam) == BN_CLICKED) {
                OnClose();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                SetFocus(button_);
                return 0;
            }
            break;
        case WM_SETFOCUS:
            SetFocus(button_);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                OnClose();
                return 0;
            }
            break;
        default:
            break;
        }
        return Form::HandleMessage(msg, wParam, lParam);
    }

private:
    // The label grows with its text on one line; a text wider than the window
    // is cut at the window's edge.
    void FitLabel() {
        const WideText text = Wide(WindowText(label_));
        WindowDC dc(label_);
        if (!dc.get()) return;
        // The label's own font: the form's, scaled to the window's DPI.
        SelectedObject select(dc.get(), reinterpret_cast<HFONT>(SendMessageW(label_, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc.get(), &metrics);
        SIZE extent = {0, 0};
        if (text.length() > 0) GetTextExtentPoint32W(dc.get(), text.c_str(), text.length(), &extent);
        SetWindowPos(label_, nullptr, 0, 0, extent.cx, metrics.tmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(label_, nullptr, TRUE);
    }

    Font font_;
    HWND button_ = nullptr;
    HWND label_ = nullptr;
};

}  // namespace

namespace {
std::function<void(const std::string&)>& ReminderSink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}
}  // namespace

void RouteReminders(std::function<void(const std::string&)> sink) { ReminderSink() = std::move(sink); }

void ShowReminder(const std::string& text) {
    if (ReminderSink()) {
        ReminderSink()(text);
        return;
    }
    std::unique_ptr<ReminderForm> created(new ReminderForm);
    if (!created->Create()) return;
    auto* form = static_cast<ReminderForm*>(OwnedForms::Adopt(std::move(created)));
    form->Show();
    SetWindowPos(form->hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    form->SetMessage(text);
}

}  // namespace vantrel
