#include "app/tray_icon_win.h"

#include <cstring>

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
    // The first layout's tip field is 64 bytes: the rest stays zero.
    std::memset(data_.szTip, 0, 64);
    std::memcpy(data_.szTip, tip.data(), tip.size() < 63 ? tip.size() : 63);
}

bool TrayIcon::Add() {
    added_ = data_;
    return Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
}
bool TrayIcon::Modify() { return Shell_NotifyIconA(NIM_MODIFY, &data_) != FALSE; }
bool TrayIcon::Delete() { return Shell_NotifyIconA(NIM_DELETE, &data_) != FALSE; }

}  // namespace vantrel
