#include "app/shell_presence_win.h"

#include "actions/system_ops.h"

namespace vantrel {

void ShellPresence::ShowIcon() {
    if (closed_) return;
    trayShown_ = tray_.Add();
    if (trayShown_) {
        if (trayMissingRecorded_ && history_) history_->TrayIconShown(true);
        trayRefusedSince_ = 0;
        trayMissingRecorded_ = false;
    } else if (trayRefusedSince_ == 0) {
        // At logon the taskbar may not be there yet.
        trayRefusedSince_ = GetTickCount() | 1;
    }
    NoteIdentity();
    ArmRetry();
}

void ShellPresence::NoteIdentity() {
    if (!history_ || guidRefusalRecorded_ || !tray_.guidRefused()) return;
    history_->TrayIconWithoutGuid();
    guidRefusalRecorded_ = true;
}

void ShellPresence::WatchSessions() {
    watchingSessions_ = Sys().WatchSessions(window_);
    ++sessionTries_;
    if (registered_) registered_();
    ArmRetry();
}

void ShellPresence::RetryTimer() {
    if (!trayShown_) {
        ShowIcon();
        if (!trayShown_ && !trayMissingRecorded_ && GetTickCount() - trayRefusedSince_ >= missingMs_) {
            if (history_) history_->TrayIconShown(false);
            trayMissingRecorded_ = true;
        }
    }
    // Read after registering, so that no change falls between the two: a
    // late registration reads afresh what it may have missed.
    if (!watchingSessions_ && sessionTries_ < kSessionTries) {
        ++sessionTries_;
        watchingSessions_ = Sys().WatchSessions(window_);
        if (watchingSessions_ && registered_) registered_();
    }
    ArmRetry();
}

void ShellPresence::ArmRetry() {
    const bool needed = !closed_ && (!trayShown_ || (!watchingSessions_ && sessionTries_ < kSessionTries));
    if (needed && !retrying_) SetTimer(window_, kTimerRetry, retryMs_, nullptr);
    if (!needed && retrying_) KillTimer(window_, kTimerRetry);
    retrying_ = needed;
}

void ShellPresence::Close() {
    closed_ = true;
    tray_.Delete();
    ArmRetry();
}

void ShellPresence::StopWatching() {
    if (watchingSessions_) Sys().StopWatchingSessions(window_);
    watchingSessions_ = false;
}

}  // namespace vantrel
