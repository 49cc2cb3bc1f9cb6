// Who reaches the service: the view pipe's and the install folder's
// security read as data. A small access check walks the SDDL's entries in
// order as Windows walks a DACL (a deny of any asked bit refuses, allows
// add up), so each row asks what a caller of some kind may do, not which
// text the descriptor holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "service/access_rules.h"

namespace vantrel {
namespace {

// Rights of a file or pipe object.
constexpr std::uint32_t kReadData = 0x1, kWriteData = 0x2, kAppendData = 0x4;  // append: pipe instance
constexpr std::uint32_t kReadAttributes = 0x80, kWriteAttributes = 0x100, kExecute = 0x20;
constexpr std::uint32_t kDelete = 0x10000, kReadControl = 0x20000, kWriteDac = 0x40000, kWriteOwner = 0x80000;
constexpr std::uint32_t kSynchronize = 0x100000;
constexpr std::uint32_t kFileAll = 0x1F01FF;
constexpr std::uint32_t kGenericRead = 0x120089, kGenericWrite = 0x120116, kGenericExecute = 0x1200A0;

struct Ace {
    bool deny = false;
    std::string flags;
    std::uint32_t mask = 0;
    std::string trustee;
};

struct Descriptor {
    std::string owner;
    bool protectedDacl = false;
    std::vector<Ace> aces;
};

std::uint32_t MaskOf(const std::string& rights) {
    if (rights.rfind("0x", 0) == 0) return static_cast<std::uint32_t>(std::stoul(rights, nullptr, 16));
    static const std::map<std::string, std::uint32_t> named = {
        {"GA", kFileAll}, {"GR", kGenericRead}, {"GW", kGenericWrite}, {"GX", kGenericExecute},
        {"FA", kFileAll}, {"FR", kGenericRead}, {"FW", kGenericWrite}, {"FX", kGenericExecute},
        {"WD", kWriteDac}, {"WO", kWriteOwner}, {"SD", kDelete}, {"RC", kReadControl}};
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i + 2 <= rights.size(); i += 2) {
        auto found = named.find(rights.substr(i, 2));
        if (found == named.end()) ADD_FAILURE() << "unknown right " << rights.substr(i, 2);
        else mask |= found->second;
    }
    return mask;
}

Descriptor Parse(const std::string& sddl) {
    Descriptor d;
    std::size_t pos = 0;
    if (sddl.rfind("O:", 0) == 0) {
        const std::size_t end = sddl.find(':', 2);
        d.owner = sddl.substr(2, end - 3);  // up to the "D" of "D:"
        pos = end - 1;
    }
    EXPECT_EQ(sddl.substr(pos, 2), "D:");
    pos += 2;
    const std::size_t open = sddl.find('(', pos);
    d.protectedDacl = sddl.substr(pos, open - pos).find('P') != std::string::npos;
    for (pos = open; pos < sddl.size();) {
        const std::size_t close = sddl.find(')', pos);
        std::vector<std::string> f;
        std::string field;
        for (char c : sddl.substr(pos + 1, close - pos - 1)) {
            if (c == ';') {
                f.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        f.push_back(field);
        EXPECT_EQ(f.size(), 6u) << sddl;
        Ace ace;
        ace.deny = f[0] == "D";
        EXPECT_TRUE(f[0] == "A" || f[0] == "D") << f[0];
        ace.flags = f[1];
        ace.mask = MaskOf(f[2]);
        ace.trustee = f[5];
        d.aces.push_back(ace);
        pos = close + 1;
    }
    return d;
}

// What a caller whose token holds `sids` is granted of `asked`, walking the
// entries as the system does; an owner also holds READ_CONTROL and
// WRITE_DAC whatever the DACL says.
bool Granted(const Descriptor& d, const std::set<std::string>& sids, std::uint32_t asked) {
    std::uint32_t granted = 0;
    if (!d.owner.empty() && sids.count(d.owner)) granted |= kReadControl | kWriteDac;
    for (const Ace& ace : d.aces) {
        if (!sids.count(ace.trustee)) continue;
        if (ace.deny && (ace.mask & asked & ~granted)) return false;
        if (!ace.deny) granted |= ace.mask;
        if ((granted & asked) == asked) return true;
    }
    return (granted & asked) == asked;
}

// Tokens: Everyone (WD) and Authenticated Users (AU) are in each but
// anonymous's; a logon over the network carries NETWORK (NU), one at the
// screen INTERACTIVE (IU).
const std::set<std::string> kLocalUser = {"WD", "AU", "BU", "IU"};
const std::set<std::string> kLocalAdmin = {"WD", "AU", "BU", "BA", "IU"};
const std::set<std::string> kRemoteUser = {"WD", "AU", "BU", "NU"};
const std::set<std::string> kRemoteAdmin = {"WD", "AU", "BU", "BA", "NU"};
const std::set<std::string> kSystem = {"WD", "AU", "SY", "BA"};
const std::set<std::string> kServiceAccount = {"WD", "AU", "BU", "SU"};  // started by the SCM
const std::set<std::string> kAnonymous = {"AN"};

// What a view opens the pipe with.
constexpr std::uint32_t kViewAccess = kGenericRead | kWriteData | kWriteAttributes;

TEST(ServiceAccess, ViewPipeLetsInWhoSitsAtTheScreenAndNobodyOverTheNetwork) {
    const Descriptor pipe = Parse(kViewPipeSddl);
    struct Row {
        const char* who;
        std::set<std::string> sids;
        std::uint32_t asked;
        bool granted;
    } rows[] = {
        {"a user at the screen connects as a view", kLocalUser, kViewAccess, true},
        {"an administrator at the screen connects", kLocalAdmin, kViewAccess, true},
        {"a user at the screen cannot add an instance and play the service", kLocalUser, kAppendData, false},
        {"a user at the screen cannot change the pipe's DACL", kLocalUser, kWriteDac, false},
        {"a user at the screen cannot take the pipe's owner", kLocalUser, kWriteOwner, false},
        {"a user over the network cannot even read", kRemoteUser, kReadData, false},
        {"an administrator over the network cannot read", kRemoteAdmin, kReadData, false},
        {"an administrator over the network cannot add an instance", kRemoteAdmin, kAppendData, false},
        {"SYSTEM has everything", kSystem, kFileAll, true},
        {"an administrator at the screen has everything", kLocalAdmin, kFileAll, true},
        {"a service's account, at no screen, cannot connect", kServiceAccount, kReadData, false},
        {"anonymous cannot connect", kAnonymous, kReadData, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Granted(pipe, row.sids, row.asked), row.granted) << row.who;
    // Nothing of the parent's is inherited onto the pipe.
    EXPECT_TRUE(pipe.protectedDacl);
    EXPECT_TRUE(pipe.owner.empty()) << "the creator (the service) owns the pipe";
}

TEST(ServiceAccess, InstallFolderOutsideProgramFilesIsWrittenByAdministratorsAndSystemOnly) {
    const Descriptor folder = Parse(kInstallFolderSddl);
    struct Row {
        const char* who;
        std::set<std::string> sids;
        std::uint32_t asked;
        bool granted;
    } rows[] = {
        {"a user cannot replace the program (write data)", kLocalUser, kWriteData, false},
        {"a user cannot add a file or folder beside it", kLocalUser, kAppendData, false},
        {"a user cannot delete it", kLocalUser, kDelete, false},
        {"a user cannot change the folder's DACL", kLocalUser, kWriteDac, false},
        {"a user cannot take the folder", kLocalUser, kWriteOwner, false},
        {"a user cannot write attributes", kLocalUser, kWriteAttributes, false},
        {"a user reads and runs it", kLocalUser, kGenericRead | kExecute, true},
        {"a remote user reads it, as a share would", kRemoteUser, kReadData | kSynchronize, true},
        {"an administrator writes", kLocalAdmin, kFileAll, true},
        {"SYSTEM writes", kSystem, kFileAll, true},
        {"an authenticated user outside Users cannot write", {"WD", "AU"}, kWriteData, false},
        {"anonymous cannot read", kAnonymous, kReadData, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Granted(folder, row.sids, row.asked), row.granted) << row.who;
    // The parent's grants (a drive root lets every authenticated user
    // create folders) are cut off, and every entry reaches the files and
    // folders inside, those installed later too.
    EXPECT_TRUE(folder.protectedDacl);
    EXPECT_EQ(folder.owner, "BA") << "an owner may always change the DACL";
    for (const Ace& ace : folder.aces) {
        EXPECT_NE(ace.flags.find("OI"), std::string::npos) << ace.trustee;
        EXPECT_NE(ace.flags.find("CI"), std::string::npos) << ace.trustee;
        EXPECT_EQ(ace.flags.find("IO"), std::string::npos) << ace.trustee << " applies to the folder itself too";
    }
}

TEST(ServiceAccess, OnlyAFolderPlainlyInsideProgramFilesKeepsWhatItInherits) {
    const std::vector<std::string> roots = {"C:\\Program Files", "C:\\Program Files (x86)\\"};
    struct Row {
        const char* folder;
        bool inside;
    } rows[] = {
        {"C:\\Program Files\\Vantrel", true},
        {"c:\\PROGRAM FILES\\vantrel\\", true},
        {"C:\\Program Files (x86)\\Vantrel", true},
        {"C:/Program Files/Vantrel", true},
        {"C:\\Program Files\\Brelnix\\Vantrel", true},
        {"C:\\Program Files\\\\Vantrel", true},
        {"C:\\Program Files", false},         // the system's own folder
        {"C:\\Program Files\\", false},
        {"C:\\Program Files Old\\Vantrel", false},
        {"C:\\Program Filesx\\Vantrel", false},
        {"C:\\Program Files\\..\\Vantrel", false},
        {"C:\\Program Files\\.\\Vantrel", false},
        {"C:\\Program Files\\Vantrel\\..", false},
        {"D:\\Program Files\\Vantrel", false},
        {"C:\\Vantrel", false},
        {"C:\\", false},
        {"", false},
        {"C:\\Users\\me\\Program Files\\Vantrel", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(InsideProgramFiles(row.folder, roots), row.inside) << row.folder;
    // A drive root given as a Program Files folder makes nothing inside.
    EXPECT_FALSE(InsideProgramFiles("C:\\Vantrel", {"C:\\"}));
    EXPECT_FALSE(InsideProgramFiles("C:\\Program Files\\Vantrel", {}));
}

}  // namespace
}  // namespace vantrel
