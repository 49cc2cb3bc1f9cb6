#include "cli/json_text.h"

#include <cstdio>

#include "store/gbk_text.h"

namespace vantrel {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (len == 1 && (c == '"' || c == '\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (len == 1 && c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out.append(text, pos, len);
        }
        pos += len;
    }
    return out + "\"";
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

}  // namespace vantrel
