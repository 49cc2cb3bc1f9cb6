#include "text/gbk_text.h"

namespace vantrel {

bool IsGbkLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

std::size_t GbkCharLength(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) {
        return 0;
    }
    // A lead byte that is the very last byte has no partner; the system's own
    // conversion treats it as a character by itself, and so do we.
    if (IsGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) {
        return 2;
    }
    return 1;
}

std::size_t GbkStrictCharLength(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    if (pos + 1 < text.size() && IsGbkLeadByte(static_cast<unsigned char>(text[pos]))) {
        const unsigned char trail = static_cast<unsigned char>(text[pos + 1]);
        if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
    }
    return 1;
}

bool IsStrayGbkByte(const std::string& text, std::size_t pos) {
    return pos < text.size() && static_cast<unsigned char>(text[pos]) > 0x80 && GbkStrictCharLength(text, pos) == 1;
}

const char* const kTextNotGbkText =
    "输入的文字中有无法保存的字符（只能保存简体中文 GBK 字符），请改用其他字符。";

std::string FirstGbkChars(const std::string& text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        pos += GbkCharLength(text, pos);
    }
    return text.substr(0, pos);
}

std::size_t LastPathSeparator(const std::string& path) {
    // Walk character by character from the start: only a forward walk knows
    // whether a 0x5C or 0x3A byte is a trail byte (as in many GBK characters)
    // or a separator of its own.
    std::size_t last = std::string::npos;
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t len = GbkCharLength(path, pos);
        if (len == 1 && (path[pos] == '\\' || path[pos] == ':')) {
            last = pos;
        }
        pos += len;
    }
    return last;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t sep = LastPathSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string FolderPart(const std::string& path) {
    const std::size_t sep = LastPathSeparator(path);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string AsciiUpper(const std::string& text) {
    std::string out = text;
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t len = GbkCharLength(out, pos);
        if (len == 1 && out[pos] >= 'a' && out[pos] <= 'z') {
            out[pos] = static_cast<char>(out[pos] - 'a' + 'A');
        }
        pos += len;
    }
    return out;
}

}  // namespace vantrel
