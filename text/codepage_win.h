// Text at the Win32 boundary: GBK inside the program, UTF-16 in every wide
// (W) call. The conversions name code page 936, so they give the same text
// whatever the system's ANSI code page is. Windows build only.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// A NUL-terminated UTF-16 text converted from GBK, to hand to a W call.
// A vector rather than std::wstring: the wide string class would link the
// runtime's whole wide-string instantiation for these few uses.
class WideText {
public:
    WideText() : text_(1, L'\0') {}
    explicit WideText(const std::string& gbk);
    const wchar_t* c_str() const { return text_.data(); }
    // Writable, for the few calls that take a non-const text (a command line).
    wchar_t* data() { return text_.data(); }
    // Characters before the terminating NUL.
    int length() const { return static_cast<int>(text_.size()) - 1; }

private:
    std::vector<wchar_t> text_;
};

inline WideText Wide(const std::string& gbk) { return WideText(gbk); }

// UTF-16 to GBK; `length` < 0: up to the terminating NUL. A character GBK
// cannot hold becomes '?': use FitsGbk first where that would lose data.
std::string Narrow(const wchar_t* text, int length = -1);

// Whether every character of `text` has a GBK form, so that Narrow keeps it.
bool FitsGbk(const wchar_t* text, int length = -1);

// Whether code page 936 is installed. Without it (an XP without East Asian
// language support) the conversions fall back to the system's ANSI code page.
bool GbkInstalled();

// What the program says once at start-up when GbkInstalled() is false, in
// Chinese and English (the Chinese cannot show there; the English can).
extern const wchar_t kGbkMissingText[];

}  // namespace vantrel
