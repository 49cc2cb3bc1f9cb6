// Registry files: the text that the system's registry editor exports and
// imports with "regedit /s". Two kinds are read: "REGEDIT4" (ANSI text, GBK
// here) and "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order
// mark); the first kind alone is written, because every Windows from XP on
// imports it and it keeps the GBK texts byte for byte.
//
// A file is a list of keys, each "[HKEY_LOCAL_MACHINE\...]" followed by its
// values: "name"="text" (with \\ and \" escaped), "name"=dword:0000003c,
// "name"=hex(2):41,00 (hex bytes of a type), @ for the unnamed value,
// "name"=- and [-key] to delete. Long hex lists go on over lines ending in \.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/registry.h"

namespace vantrel {

// Registry value types, numbered as the system numbers them.
enum RawRegType : std::uint32_t {
    kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7, kRegQword = 11
};

struct RegFileValue {
    std::string name;      // empty for the unnamed value "@"
    std::uint32_t type = kRegSz;
    // Texts (REG_SZ, REG_EXPAND_SZ) in GBK without their terminating NUL;
    // REG_MULTI_SZ in GBK, its texts parted by NULs, without the closing
    // ones; every other type as stored
    // (a DWORD as its 4 little-endian bytes).
    std::string data;
};

struct RegFileKey {
    std::string path;  // as written between the brackets, e.g. HKEY_LOCAL_MACHINE\SOFTWARE\...
    std::vector<RegFileValue> values;  // in file order
};

struct RegFile {
    std::vector<RegFileKey> keys;  // in file order
};

struct RegFileParse {
    bool ok = false;
    RegFile file;
    std::string error;  // "第 12 行: ..." when not ok
};

// Reads either kind of file from its bytes.
RegFileParse ParseRegFile(const std::string& bytes);

// Writes a REGEDIT4 file (GBK, CRLF line ends). A text with a line break in
// it is written as hex(1) bytes, so that it stays one value.
std::string WriteRegFile(const RegFile& file);

// The key path a registry file names for the program key `relativeKey`
// ("\Software\Brelnix\Vantrel"): below HKEY_LOCAL_MACHINE\SOFTWARE, and
// under Wow6432Node there when `wow64` (a 32-bit program on 64-bit Windows
// sees that key as its own).
std::string RegFileKeyPath(const std::string& relativeKey, bool wow64);

// Whether two key paths name the same key for a 32-bit program: root
// HKEY_LOCAL_MACHINE or HKLM (or none: below HKEY_LOCAL_MACHINE), letters in
// any case, with or without Wow6432Node after SOFTWARE.
bool SameProgramKey(const std::string& a, const std::string& b);

}  // namespace vantrel
