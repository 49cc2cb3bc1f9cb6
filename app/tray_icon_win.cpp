#include "app/tray_icon_win.h"

#include <cstring>

#include "actions/system_ops.h"
#include "text/codepage_win.h"

namespace vantrel {

void TrayIcon::Init(HWND window, HICON icon, const std::string& tip) {
    std::memset(&data_, 0, sizeof data_);
    data_.cbSize = kRecordSize;
    data_.hWnd = window;
    data_.uID = kId;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kCallbackMessage;
    Set(icon, tip);
}

void TrayIcon::Set(HICON icon, const std::string& tip) {
    data_.hIcon = icon;
    // The first layout's tip field is 64 characters: the rest stays zero.
    const WideText wide = Wide(tip);
    const int n = wide.length() < 63 ? wide.length() : 63;
    std::memset(data_.szTip, 0, sizeof data_.szTip);
    std::memcpy(data_.szTip, wide.c_str(), static_cast<size_t>(n) * sizeof(wchar_t));
}

std::string TrayIcon::tip() const { return Narrow(data_.szTip); }

bool TrayIcon::Add() {
    added_ = data_;
    if (Sys().NotifyIcon(NIM_ADD, &data_)) return true;
    // The shell may time out on a busy taskbar and report a failure for an
    // icon it did add; a second NIM_ADD of it would fail for good. An icon
    // that takes a change is there.
    return Modify();
}
bool TrayIcon::Modify() { return Sys().NotifyIcon(NIM_MODIFY, &data_); }
bool TrayIcon::Delete() { return Sys().NotifyIcon(NIM_DELETE, &data_); }

bool TrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    balloon_ = text;
    NOTIFYICONDATAW balloon;
    std::memset(&balloon, 0, sizeof balloon);
    balloon.cbSize = NOTIFYICONDATAW_V2_SIZE;
    balloon.hWnd = data_.hWnd;
    balloon.uID = kId;
    // From Vista on a balloon that cannot show now (another is up, the user
    // is away or in a full-screen program) would wait in the shell's queue
    // and might come after the power action it warns of: it is dropped.
    const UINT kRealtime = 0x40;  // NIF_REALTIME, not in XP's headers
    balloon.uFlags = NIF_INFO | (Sys().WindowsMajorVersion() >= 6 ? kRealtime : 0);
    balloon.uTimeout = 15000;
    balloon.dwInfoFlags = NIIF_INFO;
    const WideText t = Wide(title), x = Wide(text);
    std::memcpy(balloon.szInfoTitle, t.c_str(), static_cast<size_t>(t.length() < 63 ? t.length() : 63) * sizeof(wchar_t));
    std::memcpy(balloon.szInfo, x.c_str(), static_cast<size_t>(x.length() < 255 ? x.length() : 255) * sizeof(wchar_t));
    return Sys().NotifyIcon(NIM_MODIFY, &balloon);
}

}  // namespace vantrel
