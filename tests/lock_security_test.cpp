// The store lock's security descriptor, byte by byte in the self-relative
// layout Windows reads: a DACL only, granting the lock to the group
// Administrators and to SYSTEM, and to nobody else.
#include <gtest/gtest.h>

#include <vector>

#include "store/lock_security.h"

namespace vantrel {
namespace {

TEST(LockSecurity, GrantsTheLockToAdministratorsAndSystemOnly) {
    const std::vector<unsigned char> expected = {
        // Revision 1; SE_SELF_RELATIVE | SE_DACL_PRESENT; no owner, group or
        // SACL (the creator's own owner applies); the DACL at 20.
        1, 0, 0x04, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
        // ACL_REVISION, its size (52 bytes), two entries.
        2, 0, 52, 0, 2, 0, 0, 0,
        // ACCESS_ALLOWED, no inheritance, 24 bytes, MUTEX_ALL_ACCESS, then the
        // SID: revision 1, two sub-authorities, the NT authority (5, most
        // significant byte first), 32 and 544: S-1-5-32-544, Administrators.
        0, 0, 24, 0, 0x01, 0x00, 0x1F, 0x00, 1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0,
        // The same for S-1-5-18, SYSTEM: one sub-authority, 20 bytes.
        0, 0, 20, 0, 0x01, 0x00, 0x1F, 0x00, 1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,
    };
    EXPECT_EQ(AdministratorsOnlyLockSecurity(), expected);
}

}  // namespace
}  // namespace vantrel
