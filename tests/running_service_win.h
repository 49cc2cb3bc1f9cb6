// The service's host started on a thread of its own, as ServiceMain runs it,
// over a program key of the test's; with a pipe name, its views' pipe too.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "actions/handle_win.h"
#include "app/service_views_win.h"
#include "app/service_win.h"
#include "registry/registry_win.h"

namespace vantrel {
namespace testing {

class RunningService {
public:
    static constexpr DWORD kDeadlineMs = 15000;

    RunningService(std::string key, std::string pipeName = std::string())
        : key_(std::move(key)), pipeName_(std::move(pipeName)) {
        WinRegistry::DeleteTree(key_);
        ServiceHost::Options options;
        options.programKey = key_;
        host_.reset(new ServiceHost(std::unique_ptr<Registry>(new WinRegistry), options));
        if (!pipeName_.empty()) {
            PipeServer::Options pipe;
            pipe.name = pipeName_;
            views_.reset(new ServiceViews(*host_, pipe));
            views_->Start();
        }
        started_ = Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        thread_ = Handle(CreateThread(nullptr, 0, Main, this, 0, &threadId_));
        EXPECT_EQ(WaitForSingleObject(started_.get(), kDeadlineMs), WAIT_OBJECT_0) << "the host did not start";
    }
    ~RunningService() {
        host_->Stop();
        EXPECT_EQ(WaitForSingleObject(thread_.get(), kDeadlineMs), WAIT_OBJECT_0) << "Stop did not end Run";
        views_.reset();
        host_.reset();
        WinRegistry::DeleteTree(key_);
    }

    ServiceHost& host() { return *host_; }
    const std::string& pipeName() const { return pipeName_; }

    // Runs `work` on the service's thread and waits for it.
    void OnService(const std::function<void(Runner&)>& work) {
        Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE event = done.get();
        host_->Post([&work, event](Runner& runner) {
            work(runner);
            SetEvent(event);
        });
        ASSERT_EQ(WaitForSingleObject(event, kDeadlineMs), WAIT_OBJECT_0) << "the service's thread did not answer";
    }
    // Asks `done` on the service's thread until it holds; false at the
    // deadline.
    bool WaitUntil(const std::function<bool(Runner&)>& done) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kDeadlineMs) {
            bool holds = false;
            OnService([&](Runner& runner) { holds = done(runner); });
            if (holds) return true;
            Sleep(20);
        }
        return false;
    }
    // The windows the service's thread made.
    int Windows() {
        int count = 0;
        EnumThreadWindows(threadId_, CountWindow, reinterpret_cast<LPARAM>(&count));
        return count;
    }

private:
    static BOOL CALLBACK CountWindow(HWND, LPARAM count) {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
    }
    static DWORD WINAPI Main(void* self) {
        auto* s = static_cast<RunningService*>(self);
        s->host_->Start();
        if (s->views_) s->views_->Attach();
        SetEvent(s->started_.get());
        s->host_->Run();
        return 0;
    }
    std::string key_, pipeName_;
    std::unique_ptr<ServiceHost> host_;
    std::unique_ptr<ServiceViews> views_;
    Handle started_, thread_;
    DWORD threadId_ = 0;
};

}  // namespace testing
}  // namespace vantrel
