// The view pipe: the service's end (a server of message-mode instances of
// one name) and a view's end (a client that believes the server only when
// it is the service's process). One pipe message is one whole message of at
// most kPipeMessageLimit bytes; a longer one ends its connection. Both ends
// use overlapped I/O, so that one thread may wait for a message while
// another sends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions/handle_win.h"
#include "service/service_name.h"

namespace vantrel {

// The longest message either end takes (the protocol's kMaxViewMessage).
constexpr std::size_t kPipeMessageLimit = 65536;
extern const char kViewPipeName[];     // \\.\pipe\Vantrel.Runner

// A pipe call the system refused, with its error code.
class PipeError : public std::runtime_error {
public:
    PipeError(const std::string& what, DWORD code);
    DWORD code() const { return code_; }

private:
    DWORD code_;
};

// Who is at the other end of a server's connection, read from the token the
// client's first message carries.
struct PipeClientIdentity {
    bool known = false;          // the token could be read
    bool administrator = false;  // a member of Administrators (an elevated token)
    std::string user;            // DOMAIN\name
    std::uint32_t session = 0xFFFFFFFF;
    std::uint32_t process = 0;   // 0 where the system cannot tell (XP)
};

class PipeServer {
public:
    using ConnectionId = std::uint32_t;

    // Called on each connection's own thread; the listener serialises.
    class Listener {
    public:
        virtual ~Listener() = default;
        // A whole message. Whatever it throws ends that connection, and
        // only that one.
        virtual void Received(ConnectionId id, const PipeClientIdentity& who, const std::string& message) = 0;
        virtual void Closed(ConnectionId /*id*/) {}
    };

    struct Options {
        std::string name = kViewPipeName;
        // The security of every instance, as SDDL.
        std::string sddl;  // empty: the view pipe's (service/access_rules.h)
        // Messages waiting for a view that does not read: past this many
        // its connection ends, rather than the service's memory growing.
        std::size_t maxQueued = 256;
        // Instances of the name, each a connection and its thread: a view a
        // session is plenty; more clients wait, and a program that opens
        // connections by the thousand cannot take the service's resources.
        DWORD maxInstances = 64;
    };

    explicit PipeServer(Listener& listener);
    PipeServer(Listener& listener, Options options);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates the name's first instance and starts accepting. Throws
    // PipeError when another process holds the name (ERROR_ACCESS_DENIED
    // from FILE_FLAG_FIRST_PIPE_INSTANCE) or the instance cannot be made.
    void Start();
    // Ends every connection and waits for their threads.
    void Stop();

    // Queues `message` for the connection; false when it is gone. Any thread.
    bool Send(ConnectionId id, const std::string& message);
    void Close(ConnectionId id);
    std::vector<ConnectionId> Connections();

    class Connection;

private:
    static DWORD WINAPI AcceptThread(void* self);
    static DWORD WINAPI ConnectionThread(void* connection);
    void Accept();
    Handle NewInstance(bool first);
    std::shared_ptr<Connection> Find(ConnectionId id);
    void Forget(ConnectionId id);

    Listener& listener_;
    Options options_;
    CRITICAL_SECTION lock_;
    Handle stop_;  // manual reset: everything ends
    Handle acceptThread_;
    Handle firstInstance_;  // made by Start, handed to the accept thread
    std::vector<std::shared_ptr<Connection>> connections_;
    std::vector<Handle> threads_;
    ConnectionId nextId_ = 1;
};

// The open mode bits the server's instances get on a system of this major
// version: PIPE_REJECT_REMOTE_CLIENTS from Vista on (on XP the flag makes
// CreateNamedPipe fail).
DWORD PipeModeFor(unsigned windowsMajor);

// The process id of the running service `name` (QueryServiceStatusEx);
// 0 when it is not installed, not running or cannot be asked.
std::uint32_t ServiceProcessId(const char* name);

class PipeClient {
public:
    // The process the server must be: its id, 0 when there is none.
    using ExpectedServer = std::function<std::uint32_t()>;

    // Connects to `name`, waiting up to `waitMs` for a free instance, and
    // reads in message mode. The server is believed only when it is the
    // expected process: GetNamedPipeServerProcessId where the system has it
    // (Vista on). XP has no way to ask the pipe, and decides by what only
    // the service can have done: the expected process was running before
    // the connection and is the same one after it. The service holds the
    // name from before it reports running (it refuses to start without the
    // first instance), and the name's DACL lets nobody but SYSTEM and
    // administrators add an instance. Throws PipeError.
    static PipeClient Connect(const std::string& name, const ExpectedServer& expected, DWORD waitMs);

    PipeClient(PipeClient&&) noexcept;
    PipeClient& operator=(PipeClient&&) noexcept;
    ~PipeClient();

    void Send(const std::string& message);
    // The next whole message; nothing when none came within `waitMs`.
    // Throws PipeError when the server closed the pipe or sent more than
    // kPipeMessageLimit bytes in one message (the pipe is then closed).
    std::optional<std::string> Receive(DWORD waitMs);

    struct State;

private:
    explicit PipeClient(std::unique_ptr<State> state);
    // Held apart, so that a move never moves a buffer a read is pending on.
    std::unique_ptr<State> s_;
};

}  // namespace vantrel
