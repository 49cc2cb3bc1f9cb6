#include "store/lock_security.h"

#include <cstdint>
#include <initializer_list>

namespace vantrel {

const char* const kStoreRightsText = "需要管理员权限才能修改任务，请以管理员身份运行";

namespace {

typedef std::vector<unsigned char> Bytes;

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

// A SID of the NT authority (5): revision 1, the count of its
// sub-authorities, the authority as six bytes, most significant first, and
// each sub-authority as a little-endian DWORD.
Bytes NtSid(std::initializer_list<std::uint32_t> subAuthorities) {
    Bytes sid = {1, static_cast<unsigned char>(subAuthorities.size()), 0, 0, 0, 0, 0, 5};
    for (std::uint32_t sub : subAuthorities) Put32(sid, sub);
    return sid;
}

// ACCESS_ALLOWED_ACE: type 0, no flags, its size, the mask, the SID.
Bytes AllowedAce(const Bytes& sid, std::uint32_t mask) {
    Bytes ace = {0, 0};
    Put16(ace, static_cast<std::uint16_t>(8 + sid.size()));
    Put32(ace, mask);
    ace.insert(ace.end(), sid.begin(), sid.end());
    return ace;
}

const std::uint16_t kDaclPresent = 0x0004;   // SE_DACL_PRESENT
const std::uint16_t kSelfRelative = 0x8000;  // SE_SELF_RELATIVE
const std::uint32_t kHeaderSize = 20;        // SECURITY_DESCRIPTOR_RELATIVE
const unsigned char kAclRevision = 2;        // ACL_REVISION

}  // namespace

std::vector<unsigned char> AdministratorsOnlyLockSecurity() {
    Bytes aces;
    for (const Bytes& sid : {NtSid({32, 544}), NtSid({18})}) {
        const Bytes ace = AllowedAce(sid, kMutexAllAccess);
        aces.insert(aces.end(), ace.begin(), ace.end());
    }
    Bytes sd = {1, 0};  // revision 1, Sbz1
    Put16(sd, kDaclPresent | kSelfRelative);
    Put32(sd, 0);  // owner
    Put32(sd, 0);  // group
    Put32(sd, 0);  // SACL
    Put32(sd, kHeaderSize);  // the DACL follows the header
    // ACL: revision, Sbz1, its whole size, the count of entries, Sbz2.
    sd.push_back(kAclRevision);
    sd.push_back(0);
    Put16(sd, static_cast<std::uint16_t>(8 + aces.size()));
    Put16(sd, 2);
    Put16(sd, 0);
    sd.insert(sd.end(), aces.begin(), aces.end());
    return sd;
}

}  // namespace vantrel
