#include "store/store_lock.h"

#include <set>

#include "text/gbk_text.h"

namespace vantrel {

const char* const kStoreBusyText = "另一个程序正在修改任务，请稍后再试";

namespace {

// The program has one thread: a key held in this process is held by a
// writer further up the same call, which no wait would ever see released,
// so a second writer is refused at once.
class ProcessStoreLock : public StoreLock {
public:
    explicit ProcessStoreLock(const std::string& programKey) : name_(AsciiUpper(programKey)) {}
    ~ProcessStoreLock() override { Release(); }

    bool Acquire(std::uint32_t) override {
        if (holding_) return true;
        holding_ = Held().insert(name_).second;
        return holding_;
    }

    void Release() override {
        if (holding_) Held().erase(name_);
        holding_ = false;
    }

private:
    // Key names ignore case, as the registry does.
    static std::set<std::string>& Held() {
        static std::set<std::string> held;
        return held;
    }

    std::string name_;
    bool holding_ = false;
};

}  // namespace

std::unique_ptr<StoreLock> NewProcessStoreLock(const std::string& programKey) {
    return std::unique_ptr<StoreLock>(new ProcessStoreLock(programKey));
}

}  // namespace vantrel
