#include "ui/more_settings_window_win.h"

#include <memory>

#include "store/extra_settings.h"

namespace vantrel {

namespace {

const int kRowHeight = 26;

bool IsSwitch(const ExtraSetting& s) { return s.minimum == 0 && s.maximum == 1; }

}  // namespace

MoreSettingsWindow* MoreSettingsWindow::Open(SettingsHost& host, HWND owner) {
    std::unique_ptr<MoreSettingsWindow> window(new MoreSettingsWindow(host));
    if (!window->Create(owner)) return nullptr;
    window->Fill();
    if (owner) EnableWindow(owner, FALSE);
    window->Show();
    return static_cast<MoreSettingsWindow*>(OwnedForms::Adopt(std::move(window)));
}

bool MoreSettingsWindow::Create(HWND owner) {
    const std::vector<ExtraSetting>& all = ExtraSettings();
    const int height = 16 + static_cast<int>(all.size()) * kRowHeight + 44;
    if (!CreateForm("TForm7", "更多设置", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 300, height, owner))
        return false;
    owner_ = owner;
    font_ = FormFont();
    HFONT f = font_.get();
    tips_.Create(hwnd());
    // Access keys by row, none of them the buttons' O and C.
    const char kKeys[] = "TLXUWABDEFGHIJKMNPQRSVYZ";
    int y = 16;
    for (std::size_t i = 0; i < all.size(); ++i, y += kRowHeight) {
        const ExtraSetting& s = all[i];
        const int id = kFirstFieldId + static_cast<int>(i);
        std::string label = s.label;
        if (i + 1 < sizeof kKeys) label.append("(&").append(1, kKeys[i]).append(")");
        if (IsSwitch(s)) {
            fields_.push_back(AddControl("BUTTON", label.c_str(), WS_TABSTOP | BS_AUTOCHECKBOX, 16, y, 250, 18, id, f));
            tips_.Add(fields_.back(), s.hint);
            continue;
        }
        AddControl("STATIC", label.append(":").c_str(), SS_LEFTNOWORDWRAP, 16, y + 3, 150, 16, 0, f);
        HWND box = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 170, y, 60, 20, id, f, WS_EX_CLIENTEDGE);
        FilterKeys(box, "0123456789");
        fields_.push_back(box);
        tips_.Add(box, s.hint);
        AddControl("STATIC", s.unit, SS_LEFTNOWORDWRAP, 236, y + 3, 56, 16, 0, f);
    }
    AddControl("BUTTON", "确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, 62, y + 10, 75, 24, kOkId, f);
    AddControl("BUTTON", "取消(&C)", WS_TABSTOP, 162, y + 10, 75, 24, kCancelId, f);
    return true;
}

// The values as stored: the window shows what OK would keep, whatever the
// copies say; one that cannot be read shows its default and is reported.
void MoreSettingsWindow::Fill() {
    const std::vector<ExtraSetting>& all = ExtraSettings();
    std::string error;
    // What the administrator set by policy shows its value, greyed.
    held_ = host_.store().ReadPolicies();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const bool held = held_.Holds(all[i].name);
        EnableWindow(fields_[i], held ? FALSE : TRUE);
        tips_.SetText(fields_[i], held ? kPolicyTooltip : all[i].hint);
        std::int32_t value = all[i].defaultValue;
        try {
            value = host_.store().ReadExtraSetting(all[i]);
        } catch (const RegistryError& e) {
            if (error.empty()) error = e.what();
        }
        if (IsSwitch(all[i]))
            CheckDlgButton(hwnd(), kFirstFieldId + static_cast<int>(i), value ? BST_CHECKED : BST_UNCHECKED);
        else
            SetText(fields_[i], std::to_string(value));
    }
    if (!error.empty()) ReportError(error.c_str());
}

HWND MoreSettingsWindow::Field(const char* name) const {
    const std::vector<ExtraSetting>& all = ExtraSettings();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (std::string(all[i].name) == name) return fields_[i];
    return nullptr;
}

bool MoreSettingsWindow::OkClick() {
    const std::vector<ExtraSetting>& all = ExtraSettings();
    std::vector<std::int32_t> values(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (held_.Holds(all[i].name)) continue;
        if (IsSwitch(all[i])) {
            values[i] = IsDlgButtonChecked(hwnd(), kFirstFieldId + static_cast<int>(i)) == BST_CHECKED;
            continue;
        }
        const std::string message = CheckExtraSetting(all[i], WindowText(fields_[i]), values[i]);
        if (!message.empty()) {
            ShowMessageBox(message.c_str(), "错误", MB_OK | MB_ICONERROR);
            SetFocus(fields_[i]);
            return false;
        }
    }
    {
        TaskStore::WriteGuard guard(host_.store());
        for (std::size_t i = 0; i < all.size(); ++i)
            if (!held_.Holds(all[i].name)) host_.store().WriteExtraSetting(host_.settings(), all[i], values[i]);
    }
    OnClose();
    return true;
}

void MoreSettingsWindow::OnClose() {
    if (owner_) {
        EnableWindow(owner_, TRUE);
        SetForegroundWindow(owner_);
        owner_ = nullptr;
    }
    Hide();
}

LRESULT MoreSettingsWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case kOkId: OkClick(); return 0;  // IDOK too: Enter
            case kCancelId: OnClose(); return 0;  // IDCANCEL too: Esc
            default: break;
        }
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace vantrel
