// The one tray icon record, kept and changed in place. It uses the first,
// 88-byte layout of NOTIFYICONDATA, which every Windows version accepts.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace vantrel {

class TrayIcon {
public:
    static constexpr UINT kId = 100;
    static constexpr UINT kCallbackMessage = WM_USER + 1;  // 0x401
    static constexpr DWORD kRecordSize = 88;

    void Init(HWND window, HICON icon, const std::string& tip);
    void Set(HICON icon, const std::string& tip);

    bool Add();
    bool Modify();
    bool Delete();

    const NOTIFYICONDATAA& record() const { return data_; }
    // The record as it was last handed to NIM_ADD.
    const NOTIFYICONDATAA& lastAdded() const { return added_; }
    HICON icon() const { return data_.hIcon; }
    std::string tip() const { return data_.szTip; }

private:
    NOTIFYICONDATAA data_ = {};
    NOTIFYICONDATAA added_ = {};
};

}  // namespace vantrel
