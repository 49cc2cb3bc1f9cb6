// Byte-level helpers for GBK (code page 936) texts. Every stored, shown and
// compared text of the program is GBK, and the schedule grammar is defined on
// bytes, so these helpers work on std::string as raw bytes and never convert.
#pragma once

#include <cstddef>
#include <string>

namespace vantrel {

// A GBK lead byte (0x81..0xFE) followed by any byte forms one two-byte
// character; every other byte is a character of its own.
bool IsGbkLeadByte(unsigned char b);

// Length in bytes of the character that starts at byte offset `pos`.
std::size_t GbkCharLength(const std::string& text, std::size_t pos);

// The same, but a lead byte makes a two-byte character only with a byte
// that can follow it (0x40..0xFE but 0x7F), as the system's conversion reads
// it: a lead byte before a quote, a control character or the end stands
// alone. For texts written into a quoted format (registry files, JSON), so
// that a stray lead byte never swallows the closing quote.
std::size_t GbkStrictCharLength(const std::string& text, std::size_t pos);

// The first `count` characters of `text` (the whole text when it is shorter).
std::string FirstGbkChars(const std::string& text, std::size_t count);

// Offset of the last "\" or ":" that is a character of its own (never the
// trail byte of a two-byte character), or std::string::npos when there is none.
std::size_t LastPathSeparator(const std::string& path);

// Everything after the last separator, or the whole text when there is none.
std::string FileNamePart(const std::string& path);

// Everything up to and including the last separator; empty when there is none.
std::string FolderPart(const std::string& path);

// Whether the byte at `pos` starts no character, read as GbkStrictCharLength
// reads it: a byte above 0x80 that is no lead byte with a byte that can
// follow it. 0x80 alone is a character of code page 936, the euro sign.
bool IsStrayGbkByte(const std::string& text, std::size_t pos);

// What the program says when a text to be stored holds a character GBK
// cannot hold (the settings window, the editor, vantrelctl's arguments).
extern const char* const kTextNotGbkText;

// ASCII-only upper-casing: 'a'..'z' become 'A'..'Z'. Trail bytes of two-byte
// characters are left alone, so a GBK text never changes its meaning.
std::string AsciiUpper(const std::string& text);

}  // namespace vantrel
