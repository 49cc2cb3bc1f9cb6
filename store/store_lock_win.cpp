#include "store/store_lock.h"
#include "store/store_lock_win.h"

#include <windows.h>

#include <vector>

#include "store/lock_security.h"
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

}  // namespace

bool IsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &admins))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
    FreeSid(admins);
    return member != FALSE;
}

namespace {

class NamedMutexLock : public StoreLock {
public:
    explicit NamedMutexLock(const std::string& programKey) : name_(MutexName(programKey)) {}
    ~NamedMutexLock() override {
        if (holding_) Release();
        if (mutex_) CloseHandle(mutex_);
    }

    bool Acquire(std::uint32_t waitMs) override {
        if (!mutex_) Open();
        // An abandoned mutex (its writer ended without releasing it) is ours
        // now: the records' own checks protect what that writer left, and
        // waiting for it would only make every later writer fail.
        const DWORD rc = WaitForSingleObject(mutex_, waitMs);
        holding_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
        return holding_;
    }

    void Release() override {
        if (holding_) ReleaseMutex(mutex_);
        holding_ = false;
    }

private:
    // Opens the lock, or makes it for administrators and the system only.
    // Someone who is not an administrator could not write the key anyway and
    // never gets the lock, so that no such user can hold it against the
    // writers who can. Raises StoreRightsNeeded when the system refuses.
    void Open() {
        if (!IsAdministrator()) throw StoreRightsNeeded();
        // Only the rights that waiting and releasing need.
        mutex_ = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name_.c_str());
        if (!mutex_ && GetLastError() == ERROR_FILE_NOT_FOUND) {
            std::vector<unsigned char> descriptor = AdministratorsOnlyLockSecurity();
            SECURITY_ATTRIBUTES security = {sizeof security, descriptor.data(), FALSE};
            // Made by another writer between the two calls, it is opened here.
            mutex_ = CreateMutexW(&security, FALSE, name_.c_str());
        }
        // Access denied: a lock made by an earlier version with its maker's
        // own access list, or a token the system does not take for an
        // administrator's.
        if (!mutex_) throw StoreRightsNeeded();
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
