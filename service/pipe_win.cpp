#include "service/pipe_win.h"

#include <sddl.h>

#include <algorithm>
#include <cstdlib>

#include "actions/system_ops.h"
#include "service/access_rules.h"
#include "service/pipe_io_win.h"

namespace vantrel {

const char kViewPipeName[] = "\\\\.\\pipe\\Vantrel.Runner";

namespace {

// Not in the XP headers this program is built with.
const DWORD kRejectRemoteClients = 0x00000008;  // PIPE_REJECT_REMOTE_CLIENTS
const DWORD kPipeBuffer = 8192;
// A view reads as it can; a connection that never finishes a write ends
// with the service, not with this limit, so the limit only bounds a wait.
const DWORD kConnectWaitMs = INFINITE;

// A security descriptor made from SDDL, freed with LocalFree.
class SddlDescriptor {
public:
    explicit SddlDescriptor(const std::string& sddl) {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd_, nullptr))
            throw LastError("管道的安全描述无效");
    }
    ~SddlDescriptor() { LocalFree(sd_); }
    SddlDescriptor(const SddlDescriptor&) = delete;
    SddlDescriptor& operator=(const SddlDescriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return sd_; }

private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~Lock() { LeaveCriticalSection(&cs_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& cs_;
};

// The client's identity, from the token its impersonation gives this
// thread. The thread is the service again before anything else runs.
PipeClientIdentity IdentifyClient(HANDLE pipe) {
    PipeClientIdentity who;
    HANDLE raw = nullptr;
    if (!ImpersonateNamedPipeClient(pipe)) return who;
    const BOOL opened = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &raw);
    // A thread that cannot stop being the client must run nothing more.
    if (!RevertToSelf()) std::abort();
    if (!opened) return who;
    Handle token(raw);

    who.known = true;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &admins)) {
        BOOL member = FALSE;
        if (CheckTokenMembership(token.get(), admins, &member)) who.administrator = member != FALSE;
        FreeSid(admins);
    }

    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size ? size : 1);
    if (size && GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) {
        char name[256], domain[256];
        DWORD nameLen = sizeof name, domainLen = sizeof domain;
        SID_NAME_USE use;
        if (LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name, &nameLen,
                              domain, &domainLen, &use))
            who.user = std::string(domain) + "\\" + name;
    }

    // The process's session where the system names the client's process
    // (Vista on); the token's session everywhere.
    using ClientPid = BOOL(WINAPI*)(HANDLE, PULONG);
    static const auto clientPid = reinterpret_cast<ClientPid>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNamedPipeClientProcessId")));
    ULONG pid = 0;
    DWORD session = 0;
    if (clientPid && clientPid(pipe, &pid)) {
        who.process = pid;
        if (ProcessIdToSessionId(pid, &session)) who.session = session;
    }
    if (who.session == 0xFFFFFFFF && GetTokenInformation(token.get(), TokenSessionId, &session, sizeof session, &size))
        who.session = session;
    return who;
}

}  // namespace

PipeError::PipeError(const std::string& what, DWORD code)
    : std::runtime_error(what + "（错误 " + std::to_string(code) + "）"), code_(code) {}

DWORD PipeModeFor(unsigned windowsMajor) {
    DWORD mode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT;
    if (windowsMajor >= 6) mode |= kRejectRemoteClients;
    return mode;
}

// One client's connection, served by a thread of its own.
class PipeServer::Connection {
public:
    Connection(ConnectionId id, Handle pipe) : id(id), pipe(std::move(pipe)) {
        InitializeCriticalSection(&lock);
        wake = NewEvent(false);
        closing = NewEvent(true);
    }
    ~Connection() { DeleteCriticalSection(&lock); }

    const ConnectionId id;
    Handle pipe;
    Handle wake;     // a message queued
    Handle closing;  // Close() asked for
    CRITICAL_SECTION lock;
    std::vector<std::string> queue;  // a few at most: the view reads them
    bool overfull = false;
    PipeServer* server = nullptr;
};

PipeServer::PipeServer(Listener& listener) : PipeServer(listener, Options()) {}

PipeServer::PipeServer(Listener& listener, Options options) : listener_(listener), options_(std::move(options)) {
    InitializeCriticalSection(&lock_);
    if (options_.sddl.empty()) options_.sddl = kViewPipeSddl;
    stop_ = NewEvent(true);
}

PipeServer::~PipeServer() {
    Stop();
    DeleteCriticalSection(&lock_);
}

Handle PipeServer::NewInstance(bool first) {
    SddlDescriptor sd(options_.sddl);
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd.get(), FALSE};
    DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED;
    if (first) open |= FILE_FLAG_FIRST_PIPE_INSTANCE;
    Handle pipe(CreateNamedPipeA(options_.name.c_str(), open, PipeModeFor(Sys().WindowsMajorVersion()),
                                 options_.maxInstances, kPipeBuffer, kPipeBuffer, 0, &sa));
    if (!pipe) throw LastError(first ? "管道名已被另一个进程占用，或无法创建" : "无法创建管道实例");
    // A system that ignores the first-instance flag (Wine does) adds this
    // instance to another process's: then there is more than one.
    DWORD instances = 0;
    if (first && GetNamedPipeHandleStateA(pipe.get(), nullptr, &instances, nullptr, nullptr, nullptr, 0) &&
        instances > 1)
        throw PipeError("管道名已被另一个进程占用", ERROR_ACCESS_DENIED);
    return pipe;
}

void PipeServer::Start() {
    if (acceptThread_) return;
    ResetEvent(stop_.get());
    firstInstance_ = NewInstance(true);
    acceptThread_ = Handle(CreateThread(nullptr, 0, AcceptThread, this, 0, nullptr));
    if (!acceptThread_) {
        firstInstance_ = Handle();
        throw LastError("CreateThread");
    }
}

void PipeServer::Stop() {
    if (!acceptThread_) return;
    SetEvent(stop_.get());
    WaitForSingleObject(acceptThread_.get(), INFINITE);
    acceptThread_ = Handle();
    std::vector<Handle> threads;
    {
        Lock lock(lock_);
        threads.swap(threads_);
    }
    for (Handle& t : threads) WaitForSingleObject(t.get(), INFINITE);
}

DWORD WINAPI PipeServer::AcceptThread(void* self) {
    static_cast<PipeServer*>(self)->Accept();
    return 0;
}

void PipeServer::Accept() {
    Handle pipe = std::move(firstInstance_);
    Handle connected = NewEvent(true);
    while (true) {
        if (!pipe) {
            try {
                pipe = NewInstance(false);
            } catch (const PipeError&) {
                // Out of instances or memory: try again in a second, or end.
                if (WaitForSingleObject(stop_.get(), 1000) == WAIT_OBJECT_0) return;
                continue;
            }
        }
        OVERLAPPED o = {};
        o.hEvent = connected.get();
        ResetEvent(connected.get());
        bool ok = false;
        if (ConnectNamedPipe(pipe.get(), &o)) {
            ok = true;
        } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
            ok = true;  // connected between the create and this call
        } else if (GetLastError() == ERROR_IO_PENDING) {
            HANDLE waits[] = {connected.get(), stop_.get()};
            const DWORD w = WaitForMultipleObjects(2, waits, FALSE, kConnectWaitMs);
            if (w != WAIT_OBJECT_0) {
                CancelIo(pipe.get());
                Settle(pipe.get(), o);
                return;
            }
            DWORD n = 0;
            ok = GetOverlappedResult(pipe.get(), &o, &n, FALSE) != FALSE;
        }
        if (!ok) {
            // The client went before it was served: a fresh instance.
            pipe = Handle();
            continue;
        }
        if (WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0) return;

        std::shared_ptr<Connection> c;
        {
            Lock lock(lock_);
            c = std::make_shared<Connection>(nextId_++, std::move(pipe));
            c->server = this;
            connections_.push_back(c);
            // Threads of connections that ended are no longer waited for.
            threads_.erase(std::remove_if(threads_.begin(), threads_.end(),
                                          [](const Handle& t) {
                                              return WaitForSingleObject(t.get(), 0) == WAIT_OBJECT_0;
                                          }),
                           threads_.end());
            auto* hold = new std::shared_ptr<Connection>(c);
            Handle thread(CreateThread(nullptr, 0, ConnectionThread, hold, 0, nullptr));
            if (thread) {
                threads_.push_back(std::move(thread));
            } else {
                delete hold;
                connections_.pop_back();
            }
        }
        pipe = Handle();
    }
}

DWORD WINAPI PipeServer::ConnectionThread(void* arg) {
    std::shared_ptr<Connection> c = *static_cast<std::shared_ptr<Connection>*>(arg);
    delete static_cast<std::shared_ptr<Connection>*>(arg);
    PipeServer& server = *c->server;
    HANDLE pipe = c->pipe.get();

    Handle readDone = NewEvent(true), writeDone = NewEvent(true);
    std::vector<char> buffer(kPipeMessageLimit);
    OVERLAPPED read = {};
    read.hEvent = readDone.get();
    bool reading = false;
    bool identified = false;
    PipeClientIdentity who;

    auto ended = [&]() {
        HANDLE ends[] = {server.stop_.get(), c->closing.get()};
        return WaitForMultipleObjects(2, ends, FALSE, 0) != WAIT_TIMEOUT;
    };
    // Writes what is queued; false when the connection is to end.
    auto flush = [&]() -> bool {
        while (true) {
            std::string message;
            {
                Lock lock(c->lock);
                if (c->overfull) return false;
                if (c->queue.empty()) return true;
                message = std::move(c->queue.front());
                c->queue.erase(c->queue.begin());
            }
            OVERLAPPED w = {};
            w.hEvent = writeDone.get();
            ResetEvent(writeDone.get());
            DWORD n = 0;
            if (!WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &n, &w)) {
                if (GetLastError() != ERROR_IO_PENDING) return false;
                HANDLE waits[] = {writeDone.get(), server.stop_.get(), c->closing.get()};
                if (WaitForMultipleObjects(3, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                    CancelIo(pipe);
                    Settle(pipe, w);
                    return false;
                }
                if (!GetOverlappedResult(pipe, &w, &n, FALSE)) return false;
            }
        }
    };

    bool open = true;
    while (open) {
        if (!reading) {
            ResetEvent(readDone.get());
            if (!ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &read) &&
                GetLastError() != ERROR_IO_PENDING && GetLastError() != ERROR_MORE_DATA)
                break;
            reading = true;
        }
        HANDLE waits[] = {readDone.get(), c->wake.get(), server.stop_.get(), c->closing.get()};
        const DWORD w = WaitForMultipleObjects(4, waits, FALSE, INFINITE);
        if (w == WAIT_OBJECT_0) {
            reading = false;
            DWORD n = 0;
            if (!GetOverlappedResult(pipe, &read, &n, FALSE)) break;  // gone, or more than the limit
            if (!identified) {
                // Impersonation needs a message read first.
                who = IdentifyClient(pipe);
                identified = true;
            }
            try {
                server.listener_.Received(c->id, who, std::string(buffer.data(), n));
            } catch (...) {
                break;  // a bad message ends this connection, never the service
            }
            if (ended() || !flush()) break;
        } else if (w == WAIT_OBJECT_0 + 1) {
            open = flush();
        } else {
            open = false;
        }
    }
    if (reading) {
        CancelIo(pipe);
        Settle(pipe, read);
    }
    // Whatever the view has not read yet goes with the connection.
    DisconnectNamedPipe(pipe);
    server.Forget(c->id);
    server.listener_.Closed(c->id);
    return 0;
}

std::shared_ptr<PipeServer::Connection> PipeServer::Find(ConnectionId id) {
    Lock lock(lock_);
    for (auto& c : connections_)
        if (c->id == id) return c;
    return nullptr;
}

void PipeServer::Forget(ConnectionId id) {
    Lock lock(lock_);
    connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                      [id](const std::shared_ptr<Connection>& c) { return c->id == id; }),
                       connections_.end());
}

bool PipeServer::Send(ConnectionId id, const std::string& message) {
    std::shared_ptr<Connection> c = Find(id);
    if (!c) return false;
    {
        Lock lock(c->lock);
        if (message.size() > kPipeMessageLimit || c->queue.size() >= options_.maxQueued)
            c->overfull = true;  // a view that does not read, or a message no view takes
        else
            c->queue.push_back(message);
    }
    SetEvent(c->wake.get());
    return true;
}

void PipeServer::Close(ConnectionId id) {
    if (std::shared_ptr<Connection> c = Find(id)) SetEvent(c->closing.get());
}

std::vector<PipeServer::ConnectionId> PipeServer::Connections() {
    Lock lock(lock_);
    std::vector<ConnectionId> ids;
    for (auto& c : connections_) ids.push_back(c->id);
    return ids;
}

}  // namespace vantrel
