// Finding the reminder windows of this thread and reading their controls,
// for the tests of the executors that report through reminders.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "actions/reminder_window_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace testing_win {

inline BOOL CALLBACK CollectReminder(HWND hwnd, LPARAM param) {
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (std::strcmp(className, kReminderClassName) == 0) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    }
    return TRUE;
}

// Every reminder window of this thread, shown or hidden.
inline std::vector<HWND> AllReminders() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectReminder, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline std::vector<HWND> VisibleReminders() {
    std::vector<HWND> visible;
    for (HWND h : AllReminders()) {
        if (IsWindowVisible(h)) visible.push_back(h);
    }
    return visible;
}

// The reminders in `after` that are not in `before`.
inline std::vector<HWND> NewWindows(const std::vector<HWND>& before,
                                    const std::vector<HWND>& after) {
    std::vector<HWND> added;
    for (HWND h : after) {
        if (std::find(before.begin(), before.end(), h) == before.end()) added.push_back(h);
    }
    return added;
}

inline HWND ReminderLabel(HWND reminder) { return GetDlgItem(reminder, kReminderLabelId); }
inline HWND ReminderButton(HWND reminder) { return GetDlgItem(reminder, kReminderButtonId); }
inline std::string ReminderText(HWND reminder) { return WindowText(ReminderLabel(reminder)); }

// Lets messages run until `done` holds or `timeoutMs` has passed.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

}  // namespace testing_win
}  // namespace vantrel
