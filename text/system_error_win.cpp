#include "text/system_error_win.h"

#include <windows.h>

#include "text/codepage_win.h"

namespace vantrel {

std::string SystemErrorText(std::uint32_t code) {
    wchar_t buffer[512] = {0};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, 512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
    std::string text = Narrow(buffer, static_cast<int>(n));
    return text.empty() ? "错误 " + std::to_string(code) : text;
}

}  // namespace vantrel
