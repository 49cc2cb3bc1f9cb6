// The tray icon and the session messages, which a logon may not be ready to
// give yet: the shell refuses the icon while the taskbar is not there, and
// Terminal Services the registration for session messages while it starts
// (a system where it is off never gives it). Both are tried again every few
// seconds; an icon refused for a minute is a line of the run history, and
// so is its coming back.
#pragma once

#include <windows.h>

#include <functional>

#include "app/tray_icon_win.h"
#include "scheduler/history_recorder.h"

namespace vantrel {

class ShellPresence {
public:
    static constexpr UINT_PTR kTimerRetry = 5;

    // `retryMs` between tries, `missingMs` refused before the history says so.
    ShellPresence(TrayIcon& tray, UINT retryMs, UINT missingMs)
        : tray_(tray), retryMs_(retryMs), missingMs_(missingMs) {}

    // `registered` is told each time the registration for the session
    // messages took, so that what it may have missed is read afresh.
    void Attach(HWND window, std::function<void()> registered) {
        window_ = window;
        registered_ = std::move(registered);
    }
    void SetHistory(HistoryRecorder* history) {
        history_ = history;
        NoteIdentity();
    }

    // NIM_ADD now: at start, and when Explorer came back.
    void ShowIcon();
    // Registers first and reads after, so that no change falls between the two.
    void WatchSessions();
    void RetryTimer();  // kTimerRetry
    // The program closes: no more tries, the registration ended.
    void Close();
    void StopWatching();

private:
    void ArmRetry();
    // Says once in the history that the icon shows by window and id.
    void NoteIdentity();

    TrayIcon& tray_;
    UINT retryMs_, missingMs_;
    HWND window_ = nullptr;
    std::function<void()> registered_;
    HistoryRecorder* history_ = nullptr;
    bool closed_ = false;
    bool watchingSessions_ = false;
    static constexpr int kSessionTries = 100;
    int sessionTries_ = 0;
    bool trayShown_ = false;
    DWORD trayRefusedSince_ = 0;  // GetTickCount of the first refusal; 0: none
    bool trayMissingRecorded_ = false;
    bool guidRefusalRecorded_ = false;
    bool retrying_ = false;
};

}  // namespace vantrel
