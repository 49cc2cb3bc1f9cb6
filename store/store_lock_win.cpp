#include "store/store_lock.h"

#include <windows.h>

#include "text/codepage_win.h"
#include "text/gbk_text.h"

namespace vantrel {

namespace {

// The mutex name: the key path in the global namespace, so that copies of
// the program in other sessions (fast user switching starts one per user)
// and vantrelctl all meet on it. Mutex names are case sensitive and take no
// backslash after the prefix, while key paths ignore case.
WideText MutexName(const std::string& programKey) {
    std::string name = "Global\\Vantrel.TaskStore:";
    for (char c : AsciiUpper(programKey)) name.push_back(c == '\\' ? '/' : c);
    WideText wide(name);
    if (wide.length() >= MAX_PATH) wide.data()[MAX_PATH - 1] = L'\0';  // the longest name allowed
    return wide;
}

class NamedMutexLock : public StoreLock {
public:
    explicit NamedMutexLock(const std::string& programKey) : name_(MutexName(programKey)) {}
    ~NamedMutexLock() override {
        if (holding_) Release();
        if (mutex_) CloseHandle(mutex_);
    }

    bool Acquire(std::uint32_t waitMs) override {
        if (!mutex_) {
            mutex_ = CreateMutexW(nullptr, FALSE, name_.c_str());
            // Made by a copy running as another user: waiting needs no more
            // than this right.
            if (!mutex_) mutex_ = OpenMutexW(SYNCHRONIZE, FALSE, name_.c_str());
            if (!mutex_) return false;
        }
        // An abandoned mutex (its writer ended without releasing it) is
        // ours now: waiting for it would only make every later writer fail.
        const DWORD rc = WaitForSingleObject(mutex_, waitMs);
        holding_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
        return holding_;
    }

    void Release() override {
        if (holding_) ReleaseMutex(mutex_);
        holding_ = false;
    }

private:
    WideText name_;
    HANDLE mutex_ = nullptr;
    bool holding_ = false;
};

}  // namespace

std::unique_ptr<StoreLock> NewSharedStoreLock(const std::string& programKey) {
    return std::unique_ptr<StoreLock>(new NamedMutexLock(programKey));
}

}  // namespace vantrel
