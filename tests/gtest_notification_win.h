// GoogleTest's Notification without std::mutex, which the win32 thread
// variant of the compiler lacks and GoogleTest's own Notification is made
// of. Only GoogleTest's thread helpers use it, and no test here does; it
// includes no Windows header, so that no macro of one renames a name of the
// program in the units it is forced into.
#pragma once

#include <atomic>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
