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

}  // namespace vantrel
