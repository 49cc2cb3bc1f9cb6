#include <windows.h>

#include "scheduler/clock.h"
#include "text/codepage_win.h"

namespace vantrel {

LocalTime LocalTimeNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.dayOfWeek = st.wDayOfWeek;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    return t;
}

MatchEnv CurrentMatchEnv(const std::string& shortDateFormat, std::uint64_t upMs) {
    MatchEnv env;
    LASTINPUTINFO info;
    info.cbSize = sizeof info;
    info.dwTime = 0;
    GetLastInputInfo(&info);
    env.tickCount = GetTickCount();
    env.lastInputTick = info.dwTime;
    env.upMs = upMs;
    env.shortDateFormat = shortDateFormat;
    return env;
}

std::string SystemShortDateFormat() {
    // Wide: a Chinese format ("yyyy'年'M'月'd'日'") stays whole on a system
    // whose ANSI code page is not 936.
    wchar_t buffer[80] = {0};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, 80) == 0) return "yyyy/M/d";
    return Narrow(buffer);
}

}  // namespace vantrel
