// The one tray icon record, kept and changed in place, in the layout and
// with the identity and version app/tray_protocol.h chooses for the system;
// the tip is UTF-16, so it reads right whatever the system's ANSI code page.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "app/tray_protocol.h"

namespace vantrel {

class TrayIcon {
public:
    static constexpr UINT kId = 100;
    static constexpr UINT kCallbackMessage = WM_USER + 1;  // 0x401
    static const GUID kGuid;

    // The protocol of this system, unless a test chose another before.
    void Init(HWND window, HICON icon, const std::string& tip);
    void UseProtocol(const TrayProtocol& protocol);
    void Set(HICON icon, const std::string& tip);

    // NIM_ADD, then NIM_SETVERSION; true when the shell holds the icon
    // afterwards. A GUID the shell refuses gives way to window and id until
    // the next add (guidRefused). All go through the recorded system interface.
    bool Add();
    bool guidRefused() const { return guidRefused_; }
    // The version the shell took (0: none), which the callback follows.
    UINT version() const { return version_; }
    // NIM_SETFOCUS: the keyboard back to the notification area.
    bool ReturnFocus();
    bool Modify();
    bool Delete();
    // A balloon over the icon (NIF_INFO, in the second layout of the record,
    // which XP has): `title` up to 63 characters, `text` up to 255.
    bool ShowBalloon(const std::string& title, const std::string& text);
    const std::string& lastBalloon() const { return balloon_; }

    const NOTIFYICONDATAW& record() const { return data_; }
    // The record as it was last handed to NIM_ADD.
    const NOTIFYICONDATAW& lastAdded() const { return added_; }
    HICON icon() const { return data_.hIcon; }
    std::string tip() const;

private:
    bool AddOnce();
    void Identify(NOTIFYICONDATAW& record) const;

    TrayProtocol protocol_;
    bool protocolChosen_ = false;
    bool wantsGuid_ = false;
    bool guidRefused_ = false;
    UINT version_ = 0;
    NOTIFYICONDATAW data_ = {};
    NOTIFYICONDATAW added_ = {};
    std::string balloon_;
};

}  // namespace vantrel
