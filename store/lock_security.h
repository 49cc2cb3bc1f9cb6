// Who may take the store's lock. The lock is a named object shared by every
// session; made with the default security it would carry its creator's
// default access list and integrity: an administrator's elevated program
// could lock out every other writer, and on XP a mutex made first by a
// limited user's copy could be held by that user against every
// administrator. Only administrators and the system may write the program
// key anyway, so only they get the lock: its security descriptor grants the
// group Administrators and SYSTEM full access to it and nobody else any.
//
// The descriptor is built here as plain bytes in the self-relative layout
// Windows reads, so that it is checked as data on any system.
#pragma once

#include <vector>

#include "registry/registry.h"

namespace vantrel {

// Full access to a mutex (MUTEX_ALL_ACCESS).
constexpr unsigned kMutexAllAccess = 0x001F0001;

// A self-relative security descriptor: no owner, group or SACL (the creator's
// own owner applies); a DACL with two ACCESS_ALLOWED entries, S-1-5-32-544
// (Administrators) and S-1-5-18 (SYSTEM), each granting kMutexAllAccess.
std::vector<unsigned char> AdministratorsOnlyLockSecurity();

// What a writer that is not an administrator (or whose lock the system
// refuses) says; nothing has been changed then.
extern const char* const kStoreRightsText;  // "需要管理员权限才能修改任务…"

// Raised in place of taking the lock. A registry error, like the busy lock,
// so that every writer reports it where it reports a failed write.
class StoreRightsNeeded : public RegistryError {
public:
    StoreRightsNeeded() : RegistryError(kStoreRightsText) {}
};

}  // namespace vantrel
