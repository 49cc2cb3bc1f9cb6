#include "registry/key_watch_win.h"

#include "text/codepage_win.h"

namespace vantrel {

namespace {

std::string Trimmed(const std::string& path) { return !path.empty() && path[0] == '\\' ? path.substr(1) : path; }

}  // namespace

KeyWatch::KeyWatch(const std::string& path) : path_(Trimmed(path)) {
    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Arm();
}

KeyWatch::~KeyWatch() {
    Close();
    if (event_) CloseHandle(event_);
}

void KeyWatch::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

void KeyWatch::Arm() {
    Close();
    if (!event_) return;
    // The key itself, or the nearest parent that exists.
    std::string at = path_;
    whole_ = false;
    for (;;) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(at).c_str(), 0, KEY_NOTIFY, &key_) == ERROR_SUCCESS) break;
        key_ = nullptr;
        const std::size_t cut = at.rfind('\\');
        if (cut == std::string::npos) return;
        at.resize(cut);
        whole_ = true;
    }
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    if (RegNotifyChangeKeyValue(key_, whole_ ? TRUE : FALSE, filter, event_, TRUE) != ERROR_SUCCESS) Close();
}

bool KeyWatch::Changed() {
    if (!key_ || WaitForSingleObject(event_, 0) == WAIT_OBJECT_0) {
        // Armed again before anyone reads, so that a change made while the
        // caller reads is seen next time. A key deleted or created under a
        // watched parent moves the watch to where it now is.
        Arm();
        return true;
    }
    return false;
}

}  // namespace vantrel
