// vantrelctl's output: a command writes its lines into a TextOut, and the
// console glue hands the whole text over at the end. Small on purpose: the
// program carries no stream library, which would triple its size.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

namespace vantrel {

class TextOut {
public:
    TextOut& operator<<(const std::string& text) {
        text_ += text;
        return *this;
    }
    TextOut& operator<<(const char* text) {
        text_ += text;
        return *this;
    }
    TextOut& operator<<(char c) {
        text_ += c;
        return *this;
    }
    // Whole numbers in decimal.
    template <typename N, typename = std::enable_if_t<std::is_integral<N>::value>>
    TextOut& operator<<(N n) {
        text_ += std::to_string(n);
        return *this;
    }

    const std::string& str() const { return text_; }

private:
    std::string text_;
};

}  // namespace vantrel
