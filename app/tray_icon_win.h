// The one tray icon record, kept and changed in place. It uses the first
// layout of NOTIFYICONDATAW (152 bytes, a 64-character tip), which every
// Windows version accepts; the tip is UTF-16, so it reads right whatever the
// system's ANSI code page.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace vantrel {

class TrayIcon {
public:
    static constexpr UINT kId = 100;
    static constexpr UINT kCallbackMessage = WM_USER + 1;  // 0x401
    static constexpr DWORD kRecordSize = NOTIFYICONDATAW_V1_SIZE;

    void Init(HWND window, HICON icon, const std::string& tip);
    void Set(HICON icon, const std::string& tip);

    // NIM_ADD; true when the shell holds the icon afterwards. All three go
    // through the recorded system interface.
    bool Add();
    bool Modify();
    bool Delete();

    const NOTIFYICONDATAW& record() const { return data_; }
    // The record as it was last handed to NIM_ADD.
    const NOTIFYICONDATAW& lastAdded() const { return added_; }
    HICON icon() const { return data_.hIcon; }
    std::string tip() const;

private:
    NOTIFYICONDATAW data_ = {};
    NOTIFYICONDATAW added_ = {};
};

}  // namespace vantrel
