#include <windows.h>

#include <algorithm>
#include <vector>

#include "text/codepage.h"
#include "text/codepage_win.h"

namespace vantrel {

namespace {

// GBK, or the system's ANSI code page where GBK is not installed: a text
// shown in the wrong code page beats no text at all.
UINT Gbk() {
    static const UINT page = IsValidCodePage(936) ? 936 : CP_ACP;
    return page;
}

using WideChars = std::vector<wchar_t>;

WideChars ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return WideChars();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideChars wide(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, const wchar_t* wide, int length) {
    if (length <= 0) return std::string();
    int n = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide, length, &text[0], n, nullptr, nullptr);
    return text;
}

std::string FromWide(UINT codePage, const WideChars& wide) {
    return FromWide(codePage, wide.data(), static_cast<int>(wide.size()));
}

int LengthOf(const wchar_t* text, int length) {
    if (!text) return 0;
    return length >= 0 ? length : lstrlenW(text);
}

}  // namespace

const wchar_t kGbkMissingText[] =
    L"本机未安装简体中文代码页936，"
    L"中文文字可能无法正确显示。\n"
    L"Code page 936 (Simplified Chinese) is not installed on this computer: Vantrel's "
    L"Chinese texts may not show correctly. Install East Asian language support to "
    L"see them.";

WideText::WideText(const std::string& gbk) : text_(ToWide(Gbk(), gbk)) { text_.push_back(L'\0'); }

std::string Narrow(const wchar_t* text, int length) {
    return FromWide(Gbk(), text, LengthOf(text, length));
}

bool FitsGbk(const wchar_t* text, int length) {
    const int n = LengthOf(text, length);
    if (n == 0) return true;
    // Back and forth: what GBK cannot hold comes back as another character.
    const std::string gbk = FromWide(Gbk(), text, n);
    const WideChars back = ToWide(Gbk(), gbk);
    return back.size() == static_cast<size_t>(n) && std::equal(back.begin(), back.end(), text);
}

bool GbkInstalled() { return IsValidCodePage(936) != FALSE; }

std::string Utf8ToGbk(const std::string& text) { return FromWide(Gbk(), ToWide(CP_UTF8, text)); }
std::string GbkToUtf8(const std::string& text) { return FromWide(CP_UTF8, ToWide(Gbk(), text)); }
std::string Utf16LeToGbk(const std::string& bytes) {
    WideChars wide(bytes.size() / 2);
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return FromWide(Gbk(), wide);
}
std::string GbkToUtf16Le(const std::string& text) {
    const WideChars wide = ToWide(Gbk(), text);
    std::string bytes(wide.size() * 2, '\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8 & 0xFF);
    }
    return bytes;
}
std::string ConsoleToGbk(const std::string& text) { return FromWide(Gbk(), ToWide(CP_ACP, text)); }
bool ConsoleFitsGbk(const std::string& text) {
    const WideChars wide = ToWide(CP_ACP, text);
    return FitsGbk(wide.data(), static_cast<int>(wide.size()));
}
std::string GbkToConsole(const std::string& text) { return FromWide(CP_ACP, ToWide(Gbk(), text)); }

}  // namespace vantrel
