// The one place where texts change code page. Inside the program every text
// is GBK (code page 936); only text that crosses to the console or to a wide
// Win32 API is converted, and only here.
#pragma once

#include <string>

namespace vantrel {

// The console's encoding: the ANSI code page on Windows, UTF-8 elsewhere.
// Bytes that do not convert are replaced by '?'.
std::string ConsoleToGbk(const std::string& text);
std::string GbkToConsole(const std::string& text);
// Whether a text of the console's encoding comes through ConsoleToGbk whole.
bool ConsoleFitsGbk(const std::string& text);

// UTF-8 <-> GBK, for files and tools that speak UTF-8 on every system.
std::string Utf8ToGbk(const std::string& text);
std::string GbkToUtf8(const std::string& text);

// UTF-16 little-endian bytes (no byte-order mark) <-> GBK: the text of a
// registry file of the Unicode kind, a wide command line, a wide console.
// An odd last byte is dropped.
std::string Utf16LeToGbk(const std::string& bytes);
std::string GbkToUtf16Le(const std::string& text);

}  // namespace vantrel
