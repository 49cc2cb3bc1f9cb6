#include "cli/json_text.h"


#include "text/gbk_text.h"
#include "text/number_text.h"

namespace vantrel {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (IsStrayGbkByte(text, pos)) {
            out += "\\ufffd";
        } else if (len == 1 && (c == '"' || c == '\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (len == 1 && c < 0x20) {
            out += "\\u" + HexDigits(c, 4);
        } else {
            out.append(text, pos, len);
        }
        pos += len;
    }
    return out + "\"";
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

std::string TableText(const std::string& text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        const char c = text[pos];
        if (IsStrayGbkByte(text, pos))
            out += '?';
        else if (len == 1 && c == '\r')
            out += "\\r";
        else if (len == 1 && c == '\n')
            out += "\\n";
        else if (len == 1 && c == '\t')
            out += "\\t";
        else
            out.append(text, pos, len);
        pos += len;
    }
    return out;
}

}  // namespace vantrel
