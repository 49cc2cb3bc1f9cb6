#include "actions/countdown_view_win.h"

namespace vantrel {

namespace {

constexpr int kGlyphSize = 18;

// A strip of two 18 x 18 glyphs (normal, disabled); the corner colour is
// transparent. Without comctl32 6 the buttons show text only.
HIMAGELIST LoadGlyphs(const char* name) {
    return ImageList_LoadImageA(GetModuleHandleA(nullptr), name, kGlyphSize, 0, CLR_DEFAULT,
                                IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

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
    if (glyphAct_) ImageList_Destroy(glyphAct_);
    if (glyphCancel_) ImageList_Destroy(glyphCancel_);
}

void CountdownView::Create(HWND window) {
    window_ = window;
    font_ = Font("宋体", 13);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                    int id) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return c;
    };
    // Creation order is tab order: cancel first, so it has the focus.
    cancel_ = make("BUTTON", "取消关机", WS_TABSTOP | BS_DEFPUSHBUTTON, 232, 94, 105, 25, kCancelId);
    actNow_ = make("BUTTON", "立即关机", WS_TABSTOP | BS_PUSHBUTTON, 64, 94, 105, 25, kActNowId);
    label1_ = make("STATIC", "要想取消关机,请按下<取消关机>按钮,剩余 :", SS_LEFTNOWORDWRAP, 16, 16,
                   318, 14, kLabel1Id);
    label2_ = make("STATIC", "", SS_LEFTNOWORDWRAP, 336, 16, 60, 14, kLabel2Id);
    bar_ = make(PROGRESS_CLASSA, "", 0, 8, 56, 385, 17, kBarId);
    glyphAct_ = LoadGlyphs("GLYPH_ACT");
    glyphCancel_ = LoadGlyphs("GLYPH_CANCEL");
    SetGlyphs(actNow_, glyphAct_);
    SetGlyphs(cancel_, glyphCancel_);
    SetBar(60, 0);
}

void CountdownView::ChangeCaption(const std::string& word) {
    CountdownCaptions c = CaptionsFor(word);
    SetText(actNow_, c.actNow);
    SetText(cancel_, c.cancel);
    SetText(label1_, c.label);
    SetText(window_, c.window);
}

void CountdownView::SetRemaining(const std::string& text) { SetText(label2_, text); }

void CountdownView::SetBar(int maximum, int position) {
    SendMessageA(bar_, PBM_SETRANGE32, 0, maximum);
    SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int CountdownView::BarPosition() const {
    return static_cast<int>(SendMessageA(bar_, PBM_GETPOS, 0, 0));
}

int CountdownView::BarMaximum() const {
    return static_cast<int>(SendMessageA(bar_, PBM_GETRANGE, FALSE, 0));
}

}  // namespace vantrel
