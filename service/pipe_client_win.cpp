// A view's end of the pipe, apart from the service's, so that a program
// that only serves links none of it.
#include "service/pipe_win.h"

#include "service/pipe_io_win.h"

namespace vantrel {

std::uint32_t ServiceProcessId(const char* name) {
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!scm) return 0;
    std::uint32_t pid = 0;
    if (SC_HANDLE service = OpenServiceA(scm, name, SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD n = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                 &n) &&
            status.dwCurrentState == SERVICE_RUNNING)
            pid = status.dwProcessId;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return pid;
}

struct PipeClient::State {
    Handle pipe;
    Handle readEvent, writeEvent;
    OVERLAPPED read = {};
    bool reading = false;
    std::vector<char> buffer = std::vector<char>(kPipeMessageLimit);

    ~State() {
        if (reading) {
            CancelIo(pipe.get());
            Settle(pipe.get(), read);
        }
    }
};

PipeClient::PipeClient(std::unique_ptr<State> state) : s_(std::move(state)) {}
PipeClient::PipeClient(PipeClient&&) noexcept = default;
PipeClient& PipeClient::operator=(PipeClient&&) noexcept = default;
PipeClient::~PipeClient() = default;

PipeClient PipeClient::Connect(const std::string& name, const ExpectedServer& expected, DWORD waitMs) {
    const std::uint32_t before = expected();
    if (before == 0) throw PipeError("服务没有运行", ERROR_SERVICE_NOT_ACTIVE);

    std::unique_ptr<State> s(new State);
    const DWORD start = GetTickCount();
    // FILE_GENERIC_WRITE would ask for FILE_CREATE_PIPE_INSTANCE too, which
    // the pipe grants users no more; FILE_WRITE_ATTRIBUTES sets the read
    // mode. Identification only: a server may learn who the view is, never
    // act as it.
    const DWORD access = GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES;
    while (true) {
        s->pipe = Handle(CreateFileA(name.c_str(), access, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                     nullptr));
        if (s->pipe) break;
        const DWORD error = GetLastError();
        const DWORD spent = GetTickCount() - start;
        if (error != ERROR_PIPE_BUSY || spent >= waitMs) throw PipeError("无法连接服务的管道", error);
        // Every instance is taken until the server has made the next one.
        // Wine may answer that wait at once, even that there is no such
        // pipe: the open is tried again, a little later, until the time is
        // up, and its own answer decides (a server gone: not found).
        if (!WaitNamedPipeA(name.c_str(), waitMs - spent)) Sleep(10);
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(s->pipe.get(), &mode, nullptr, nullptr))
        throw LastError("管道无法切换到消息方式");

    using ServerPid = BOOL(WINAPI*)(HANDLE, PULONG);
    static const auto serverPid = reinterpret_cast<ServerPid>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNamedPipeServerProcessId")));
    const std::uint32_t after = expected();
    bool believed;
    if (serverPid) {
        ULONG pid = 0;
        believed = serverPid(s->pipe.get(), &pid) && pid != 0 && pid == after;
    } else {
        believed = after != 0 && after == before;
    }
    if (!believed) throw PipeError("管道的另一端不是服务", ERROR_ACCESS_DENIED);

    s->readEvent = NewEvent(true);
    s->writeEvent = NewEvent(true);
    s->read.hEvent = s->readEvent.get();
    return PipeClient(std::move(s));
}

void PipeClient::Send(const std::string& message) {
    if (message.size() > kPipeMessageLimit) throw PipeError("消息太长", ERROR_INVALID_PARAMETER);
    OVERLAPPED w = {};
    w.hEvent = s_->writeEvent.get();
    ResetEvent(w.hEvent);
    DWORD n = 0;
    if (!WriteFile(s_->pipe.get(), message.data(), static_cast<DWORD>(message.size()), &n, &w)) {
        if (GetLastError() != ERROR_IO_PENDING) throw LastError("无法向服务发送");
        if (!GetOverlappedResult(s_->pipe.get(), &w, &n, TRUE)) throw LastError("无法向服务发送");
    }
}

std::optional<std::string> PipeClient::Receive(DWORD waitMs) {
    State& s = *s_;
    if (!s.pipe) throw PipeError("管道已关闭", ERROR_BROKEN_PIPE);
    if (!s.reading) {
        ResetEvent(s.readEvent.get());
        if (!ReadFile(s.pipe.get(), s.buffer.data(), static_cast<DWORD>(s.buffer.size()), nullptr, &s.read) &&
            GetLastError() != ERROR_IO_PENDING && GetLastError() != ERROR_MORE_DATA) {
            const DWORD error = GetLastError();
            s.pipe = Handle();
            throw PipeError("管道已关闭", error);
        }
        s.reading = true;
    }
    if (WaitForSingleObject(s.readEvent.get(), waitMs) != WAIT_OBJECT_0) return std::nullopt;
    s.reading = false;
    DWORD n = 0;
    if (!GetOverlappedResult(s.pipe.get(), &s.read, &n, FALSE)) {
        // ERROR_MORE_DATA: a message longer than any the protocol has.
        const DWORD error = GetLastError();
        s.pipe = Handle();
        throw PipeError(error == ERROR_MORE_DATA ? "服务发来的消息太长" : "管道已关闭", error);
    }
    return std::string(s.buffer.data(), n);
}

}  // namespace vantrel
