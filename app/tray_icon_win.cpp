#include "app/tray_icon_win.h"

#include <cstring>

#include "actions/system_ops.h"
#include "app/startup_win.h"
#include "text/codepage_win.h"

namespace vantrel {

static_assert(NOTIFYICONDATAW_V1_SIZE == kTrayRecordV1 && NOTIFYICONDATAW_V2_SIZE == kTrayRecordV2 &&
                  NOTIFYICONDATAW_V2_SIZE + sizeof(GUID) == kTrayRecordV3,
              "the record's layouts");

namespace {
// The headers define these only for builds that target Windows 7 and later.
const UINT kNifGuid = 0x20;
const UINT kNifShowTip = 0x80;
}  // namespace

// The program's own, for every copy of it.
const GUID TrayIcon::kGuid = {0xe8b49c20, 0xc24b, 0x4269, {0xac, 0x29, 0xc8, 0xc0, 0xd3, 0x12, 0xf5, 0xda}};

void TrayIcon::Init(HWND window, HICON icon, const std::string& tip) {
    if (!protocolChosen_) {
        const OSVERSIONINFOA& v = SystemVersion();
        protocol_ = TrayProtocolFor(v.dwMajorVersion, v.dwMinorVersion);
    }
    wantsGuid_ = protocol_.byGuid;
    std::memset(&data_, 0, sizeof data_);
    data_.hWnd = window;
    data_.uCallbackMessage = kCallbackMessage;
    Identify(data_);
    // Under version 4 the shell shows the tip only when asked to.
    data_.uFlags |= NIF_MESSAGE | NIF_ICON | NIF_TIP | (protocol_.version >= 4 ? kNifShowTip : 0);
    Set(icon, tip);
}

void TrayIcon::UseProtocol(const TrayProtocol& protocol) {
    protocol_ = protocol;
    protocolChosen_ = true;
}

void TrayIcon::Identify(NOTIFYICONDATAW& record) const {
    if (record.cbSize < protocol_.recordSize) record.cbSize = protocol_.recordSize;
    record.uID = kId;
    record.uFlags &= ~kNifGuid;
    record.guidItem = GUID();
    if (protocol_.byGuid) {
        record.uFlags |= kNifGuid;
        record.guidItem = kGuid;
    }
}

void TrayIcon::Set(HICON icon, const std::string& tip) {
    data_.hIcon = icon;
    // 63 characters, which every layout holds: the rest stays zero.
    const WideText wide = Wide(tip);
    const int n = wide.length() < 63 ? wide.length() : 63;
    std::memset(data_.szTip, 0, sizeof data_.szTip);
    std::memcpy(data_.szTip, wide.c_str(), static_cast<size_t>(n) * sizeof(wchar_t));
}

std::string TrayIcon::tip() const { return Narrow(data_.szTip); }

bool TrayIcon::Add() {
    // Each add (at start, after Explorer restarted) tries the GUID first.
    protocol_.byGuid = wantsGuid_;
    Identify(data_);
    guidRefused_ = false;
    if (AddOnce()) return true;
    if (!wantsGuid_) return false;
    // The shell ties the GUID to the program file that used it first: a copy
    // in another folder is refused it, and shows by window and id instead.
    // While the taskbar is not there both fail, and the GUID is tried again.
    protocol_.byGuid = false;
    Identify(data_);
    if (AddOnce()) return guidRefused_ = true;
    protocol_.byGuid = true;
    Identify(data_);
    return false;
}

bool TrayIcon::AddOnce() {
    added_ = data_;
    // The shell may time out on a busy taskbar and report a failure for an
    // icon it did add; a second NIM_ADD of it would fail for good. An icon
    // that takes a change is there.
    if (!Sys().NotifyIcon(NIM_ADD, &data_) && !Modify()) return false;
    version_ = 0;
    if (protocol_.version) {
        NOTIFYICONDATAW ask = data_;
        ask.uVersion = protocol_.version;
        if (Sys().NotifyIcon(kNimSetVersion, &ask)) version_ = protocol_.version;
    }
    return true;
}

bool TrayIcon::ReturnFocus() { return Sys().NotifyIcon(kNimSetFocus, &data_); }
bool TrayIcon::Modify() { return Sys().NotifyIcon(NIM_MODIFY, &data_); }
bool TrayIcon::Delete() { return Sys().NotifyIcon(NIM_DELETE, &data_); }

bool TrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    balloon_ = text;
    NOTIFYICONDATAW balloon;
    std::memset(&balloon, 0, sizeof balloon);
    balloon.cbSize = NOTIFYICONDATAW_V2_SIZE;
    balloon.hWnd = data_.hWnd;
    // From Vista on a balloon that cannot show now (another is up, the user
    // is away or in a full-screen program) would wait in the shell's queue
    // and might come after the power action it warns of: it is dropped.
    const UINT kRealtime = 0x40;  // NIF_REALTIME, not in XP's headers
    balloon.uFlags = NIF_INFO | (Sys().WindowsMajorVersion() >= 6 ? kRealtime : 0);
    Identify(balloon);
    balloon.uTimeout = 15000;
    balloon.dwInfoFlags = NIIF_INFO;
    const WideText t = Wide(title), x = Wide(text);
    std::memcpy(balloon.szInfoTitle, t.c_str(), static_cast<size_t>(t.length() < 63 ? t.length() : 63) * sizeof(wchar_t));
    std::memcpy(balloon.szInfo, x.c_str(), static_cast<size_t>(x.length() < 255 ? x.length() : 255) * sizeof(wchar_t));
    return Sys().NotifyIcon(NIM_MODIFY, &balloon);
}

}  // namespace vantrel
