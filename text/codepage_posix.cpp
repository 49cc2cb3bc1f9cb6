#include <iconv.h>

#include <cerrno>

#include "text/codepage.h"

namespace vantrel {

namespace {

// iconv with every byte that does not convert replaced by '?' (a whole
// character of the target: two bytes in UTF-16), so a stray byte never loses
// the rest of the text. `unit` is the size of one code unit of the source,
// so that a character that does not convert is skipped whole.
std::string Convert(const char* to, const char* from, const std::string& text, size_t unit = 1,
                    const std::string& question = "?") {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out += question;
            size_t skip = inLeft < unit ? inLeft : unit;
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(const std::string& text) { return Convert("GBK", "UTF-8", text); }
std::string GbkToUtf8(const std::string& text) { return Convert("UTF-8", "GBK", text); }
std::string Utf16LeToGbk(const std::string& bytes) {
    return Convert("GBK", "UTF-16LE", bytes.substr(0, bytes.size() & ~static_cast<size_t>(1)), 2);
}
std::string GbkToUtf16Le(const std::string& text) {
    return Convert("UTF-16LE", "GBK", text, 1, std::string("?\0", 2));
}
bool ConsoleFitsGbk(const std::string& text) { return GbkToUtf8(Utf8ToGbk(text)) == text; }
std::string ConsoleToGbk(const std::string& text) { return Utf8ToGbk(text); }
std::string GbkToConsole(const std::string& text) { return GbkToUtf8(text); }

}  // namespace vantrel
