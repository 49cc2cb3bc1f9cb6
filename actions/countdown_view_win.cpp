#include "actions/countdown_view_win.h"

#include "actions/power_actions_win.h"

#include "text/codepage_win.h"
#include "winui/accessible_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

constexpr int kGlyphSize = 18;

// A strip of two 18 x 18 glyphs (normal, disabled); the corner colour is
// transparent. Without comctl32 6 the buttons show text only.
HIMAGELIST LoadGlyphs(const char* name) { return LoadImageListBitmap(name, kGlyphSize); }

void SetGlyphs(HWND button, HIMAGELIST glyphs) {
    if (!glyphs) return;
    BUTTON_IMAGELIST list = {};
    list.himl = glyphs;
    list.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    list.margin.left = 4;
    SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
}

}  // namespace

CountdownView::~CountdownView() {
    DestroyImageList(glyphAct_);
    DestroyImageList(glyphCancel_);
}

void CountdownView::Attach(HWND window) { window_ = window; }

// The controls are built when the window is first about to show: until the
// first countdown the program needs neither them nor the common-controls
// library they load.
void CountdownView::EnsureControls() {
    if (created_ || !window_) return;
    created_ = true;
    EnsureCommonControls();
    font_ = FormFont();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // On a form (the main window) the framework places and scales the
    // controls with the form's DPI.
    Form* form = Form::FromHandle(window_);
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                    int id) {
        if (form) return form->AddControl(cls, text, style, x, y, w, h, id, font_.get());
        HWND c = CreateWindowExW(0, Wide(cls).c_str(), Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 x, y, w, h, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return c;
    };
    // Creation order is the tab order, left to right; Open gives cancel the
    // focus.
    actNow_ = make("BUTTON", "立即关机", WS_TABSTOP | BS_PUSHBUTTON, 16, 94, 105, 25, kActNowId);
    postpone_ = make("BUTTON", "推迟(&P)", WS_TABSTOP | BS_PUSHBUTTON, 148, 94, 105, 25, kPostponeId);
    cancel_ = make("BUTTON", "取消关机", WS_TABSTOP | BS_DEFPUSHBUTTON, 280, 94, 105, 25, kCancelId);
    label1_ = make("STATIC", "要想取消关机,请按下<取消关机>按钮,剩余 :", SS_LEFTNOWORDWRAP, 16, 16,
                   318, 14, kLabel1Id);
    label2_ = make("STATIC", "", SS_LEFTNOWORDWRAP, 336, 16, 60, 14, kLabel2Id);
    bar_ = make(PROGRESS_CLASSA, "", 0, 8, 56, 385, 17, kBarId);
    glyphAct_ = LoadGlyphs("GLYPH_ACT");
    glyphCancel_ = LoadGlyphs("GLYPH_CANCEL");
    SetGlyphs(actNow_, glyphAct_);
    SetGlyphs(cancel_, glyphCancel_);
    SetBar(maximum_, position_);
}

void CountdownView::ChangeCaption(const std::string& word) {
    EnsureControls();
    CountdownCaptions c = CaptionsFor(word);
    SetText(actNow_, c.actNow);
    SetText(cancel_, c.cancel);
    SetText(label1_, c.label);
    SetText(window_, c.window);
}

void CountdownView::SetRemaining(const std::string& text) {
    EnsureControls();
    SetText(label2_, text);
}

// Before the controls exist the bar's range and position are kept here and
// handed to the bar when it is built.
void CountdownView::SetBar(int maximum, int position) {
    maximum_ = maximum;
    position_ = position;
    if (!bar_) return;
    SendMessageA(bar_, PBM_SETRANGE32, 0, maximum);
    SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int CountdownView::BarPosition() const {
    return bar_ ? static_cast<int>(SendMessageA(bar_, PBM_GETPOS, 0, 0)) : position_;
}

int CountdownView::BarMaximum() const {
    return bar_ ? static_cast<int>(SendMessageA(bar_, PBM_GETRANGE, FALSE, 0)) : maximum_;
}

void CountdownView::Open(const std::string& word, const std::string& remaining, const std::string& sound,
                         bool closeAll) {
    ChangeCaption(word);
    SetRemaining(remaining);
    ShowWindow(window_, SW_SHOW);
    // The cancel button has the focus, so Space cancels as well as Enter
    // and Esc.
    focus_ = cancel_;
    SetFocus(focus_);
    AnnounceAlert(window_);
    if (!sound.empty()) PlaySoundOnDemand(sound.c_str(), SND_FILENAME | SND_LOOP | SND_ASYNC);
    if (closeAll) CloseAllOtherWindows();
}

void CountdownView::Step(int maximum, int position, const std::string& remaining) {
    SetBar(maximum, position);
    SetRemaining(remaining);
    if (position >= maximum) StopSoundOnDemand();
}

void CountdownView::Close(int maximum) {
    StopSoundOnDemand();
    SetBar(maximum, 0);
    ShowWindow(window_, SW_HIDE);
}

bool CountdownView::Activate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && (focus == cancel_ || focus == actNow_ || focus == postpone_)) focus_ = focus;
        return false;
    }
    if (!IsWindowVisible(window_) || !focus_) return false;
    SetFocus(focus_);
    return true;
}

}  // namespace vantrel
