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
//
// The text's encoding comes from the byte-order mark (UTF-16LE, UTF-8);
// without one, for a file a user gave, text that is valid UTF-8 and not
// plain ASCII is UTF-8, any other GBK. A file rewritten keeps the encoding
// (and mark) it was found in; the hex data of texts (hex(1), hex(2), hex(7)) is UTF-16LE
// under the 5.00 header and GBK bytes under REGEDIT4, whatever the text is in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantrel {

// Registry value types, numbered as the system numbers them.
enum RawRegType : std::uint32_t {
    kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7, kRegQword = 11
};

// A REG_DWORD's data: its 4 bytes, little-endian.
std::string DwordBytes(std::uint32_t n);
std::uint32_t DwordOf(const std::string& bytes);  // the first 4 bytes

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

enum class RegFileEncoding { Gbk, Utf8, Utf16Le };

// Where everything stood in the file as read, so that a write can change the
// program key's lines alone and keep every other line byte for byte.
struct RegFileLayout {
    RegFileEncoding encoding = RegFileEncoding::Gbk;
    bool unicodeHex = false;        // the 5.00 header: hex text data in UTF-16LE
    std::string lineEnd = "\r\n";   // the file's own, as GBK text
    // The physical lines in the file's own bytes, each with its line end (the
    // first with the byte-order mark); together exactly the file.
    std::vector<std::string> lines;
    struct Section {
        std::size_t header;  // index of the "[...]" line
        std::string path;
        bool removed;        // a later [-key] threw away what it set
    };
    struct ValueLine {
        std::size_t first, last;  // physical lines, continuation lines included
        std::size_t section;
        bool remove;              // "name"=-
        RegFileValue value;
    };
    std::vector<Section> sections;
    std::vector<ValueLine> values;  // of every section, [-key] ones excepted
};

// A value whose text held a character that GBK cannot hold.
struct RegFileLossyValue {
    std::size_t line;  // 1-based
    std::string path;
    std::string name;
};

struct RegFileParse {
    bool ok = false;
    RegFile file;
    std::string error;  // "第 12 行: ..." when not ok
    RegFileLayout layout;
    std::vector<RegFileLossyValue> lossy;
};

// Reads either kind of file from its bytes.
// `unmarkedUtf8`: text without a byte-order mark that is valid UTF-8 and not
// plain ASCII is read as UTF-8 (a file a person or a UTF-8 tool gave);
// without it such text is GBK, as this program's own files are.
RegFileParse ParseRegFile(const std::string& bytes, bool unmarkedUtf8 = false);

// Empty when the parsed file gives the program key `relativeKey` one
// reading: else the reason with line numbers. Refused: the key under two
// different names (plain and Wow6432Node, HKLM and HKEY_LOCAL_MACHINE),
// which the registry editor would write to two keys on 64-bit Windows; and
// a value of the key with a character that GBK cannot hold. The same name in
// two sections is one key, later values winning, as the registry editor
// merges it.
std::string ProgramKeyProblem(const RegFileParse& parsed, const std::string& relativeKey);

// The parsed file again, with the program key's lines changed to hold
// `key`'s values (its values as they are now): a line whose value did not
// change is kept, a changed one rewritten in place, a value gone loses its
// line (a "name"=- line stays), a new one goes after the key's last line;
// without a section of the key one is added at the end under `key.path`.
// Every other line (other keys, [-key] sections, comments) stays byte for
// byte, in the file's own encoding.
std::string RewriteRegFile(const RegFileLayout& layout, const RegFileKey& key,
                           const std::string& relativeKey);

// Writes a REGEDIT4 file (GBK, CRLF line ends). A text with a line break in
// it, or with a byte that starts no GBK character, is written as hex(1)
// bytes, so that it stays one value and comes back as the same bytes.
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
