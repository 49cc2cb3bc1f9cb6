#include "ui/about_window_win.h"

#include <memory>
#include <string>

#include "build_date.h"
#include "version.h"

namespace vantrel {

bool AboutWindow::Create() {
    if (!CreateForm("TForm2", "关于...", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 311, 253))
        return false;
    font_ = FormFont();
    labelFont_ = FormFont(15);
    // Creation order is tab order: the button first.
    HWND ok = AddControl("BUTTON", "确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, 112, 216, 75, 25,
                         kButton1Id, font_.get());
    AddControl("STATIC", "名称:    Vantrel", SS_LEFTNOWORDWRAP, 82, 64, 200, 16, kLabel1Id,
               labelFont_.get());
    // The program's own version, and the date of the commit it was built
    // from: the same version the setup program, the history and vantrelctl
    // give.
    AddControl("STATIC", (std::string("版本:    ") + VANTREL_PRODUCT_VERSION).c_str(), SS_LEFTNOWORDWRAP, 82,
               96, 200, 16, kLabel2Id, labelFont_.get());
    AddControl("STATIC", (std::string("时间:    ") + VANTREL_BUILD_DATE).c_str(), SS_LEFTNOWORDWRAP, 81,
               126, 200, 16, kLabel5Id, labelFont_.get());
    SetFocus(ok);
    return true;
}

LRESULT AboutWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND &&
        (LOWORD(wParam) == kButton1Id || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        OnClose();
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

AboutWindow* ShowAboutWindow() {
    std::unique_ptr<AboutWindow> about(new AboutWindow);
    if (!about->Create()) return nullptr;
    about->Show();
    return static_cast<AboutWindow*>(OwnedForms::Adopt(std::move(about)));
}

}  // namespace vantrel
