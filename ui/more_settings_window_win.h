// The settings window's 更多设置…: a small window with the settings added
// later (store/extra_settings.h), each a box of minutes, percent or KB/s or
// a tick box. OK checks every value (a number in range, or a message that
// names the setting) and only then stores them all, as one change under the
// store's lock, with the running program's copies.
#pragma once

#include <string>
#include <vector>

#include "ui/settings_host.h"
#include "winui/form_win.h"
#include "winui/tooltips_win.h"

namespace vantrel {

class MoreSettingsWindow : public Form {
public:
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kFirstFieldId = 300;  // + the setting's place in the list

    explicit MoreSettingsWindow(SettingsHost& host) : host_(host) {}

    // A new window over `owner`, which stays disabled while it is open;
    // nullptr when it could not be created.
    static MoreSettingsWindow* Open(SettingsHost& host, HWND owner);

    // The box or tick box of a setting, by its value name.
    HWND Field(const char* name) const;
    // OK: false (a message shown, nothing stored) when a value is wrong.
    bool OkClick();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

private:
    bool Create(HWND owner);
    void Fill();

    SettingsHost& host_;
    HWND owner_ = nullptr;
    Font font_;
    Tooltips tips_;
    std::vector<HWND> fields_;
    Policies held_;  // what a policy sets: greyed, never written
};

}  // namespace vantrel
