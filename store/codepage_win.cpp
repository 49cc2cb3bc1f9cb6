#include <windows.h>

#include <vector>

#include "store/codepage.h"

namespace vantrel {

namespace {

constexpr UINT kGbk = 936;

// A vector rather than std::wstring: the wide string class would link the
// runtime's whole wide-string instantiation for these few lines.
using WideText = std::vector<wchar_t>;

WideText ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return WideText();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideText wide(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, const WideText& wide) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n,
                        nullptr, nullptr);
    return text;
}

}  // namespace

std::string Utf8ToGbk(const std::string& text) { return FromWide(kGbk, ToWide(CP_UTF8, text)); }
std::string GbkToUtf8(const std::string& text) { return FromWide(CP_UTF8, ToWide(kGbk, text)); }
std::string Utf16LeToGbk(const std::string& bytes) {
    WideText wide(bytes.size() / 2);
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return FromWide(kGbk, wide);
}
std::string GbkToUtf16Le(const std::string& text) {
    const WideText wide = ToWide(kGbk, text);
    std::string bytes(wide.size() * 2, '\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8 & 0xFF);
    }
    return bytes;
}
std::string ConsoleToGbk(const std::string& text) { return FromWide(kGbk, ToWide(CP_ACP, text)); }
std::string GbkToConsole(const std::string& text) { return FromWide(CP_ACP, ToWide(kGbk, text)); }

}  // namespace vantrel
