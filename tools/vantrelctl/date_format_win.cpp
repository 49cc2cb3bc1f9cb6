#include <windows.h>

#include "tools/vantrelctl/check_command.h"

namespace vantrel {

std::string SystemShortDateFormat() {
    char buffer[80] = {0};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer) == 0)
        return "yyyy/M/d";
    return buffer;
}

}  // namespace vantrel
