// The view pipe under Wine: a server and clients in one program. Whole
// messages both ways up to the limit, a longer one or a throwing listener
// ending only its own connection, the client's identity, a second server
// refused the name, and a client that believes only the expected process.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "recording_system_ops.h"
#include "service/pipe_win.h"

namespace vantrel {
namespace {

// Long enough for Wine's slowest; a test waits on events, never on time.
const DWORD kDeadlineMs = 10000;

std::string UniquePipeName() {
    static int counter = 0;
    return "\\\\.\\pipe\\Vantrel.Test." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

std::uint32_t OwnProcess() { return GetCurrentProcessId(); }

// Echoes each message back reversed (so an echo is told from the message),
// keeps what it was told, and throws on a message that starts with "!".
class EchoListener : public PipeServer::Listener {
public:
    PipeServer* server = nullptr;

    EchoListener() : closedEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) { InitializeCriticalSection(&lock_); }
    ~EchoListener() override { DeleteCriticalSection(&lock_); }

    void Received(PipeServer::ConnectionId id, const PipeClientIdentity& who, const std::string& message) override {
        HANDLE token = nullptr;
        const bool impersonating = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
        if (token) CloseHandle(token);
        {
            EnterCriticalSection(&lock_);
            impersonated_ = impersonated_ || impersonating;
            received_[id].push_back(message);
            who_[id] = who;
            LeaveCriticalSection(&lock_);
        }
        if (!message.empty() && message[0] == '!') throw std::runtime_error("bad message");
        server->Send(id, std::string(message.rbegin(), message.rend()));
    }
    void Closed(PipeServer::ConnectionId id) override {
        EnterCriticalSection(&lock_);
        closed_.push_back(id);
        LeaveCriticalSection(&lock_);
        SetEvent(closedEvent_.get());
    }

    // Waits until `count` connections closed in all.
    bool WaitClosed(std::size_t count) {
        while (true) {
            EnterCriticalSection(&lock_);
            const std::size_t n = closed_.size();
            LeaveCriticalSection(&lock_);
            if (n >= count) return true;
            if (WaitForSingleObject(closedEvent_.get(), kDeadlineMs) != WAIT_OBJECT_0) return false;
        }
    }
    std::size_t MessagesOf(PipeServer::ConnectionId id) {
        EnterCriticalSection(&lock_);
        const std::size_t n = received_[id].size();
        LeaveCriticalSection(&lock_);
        return n;
    }
    std::vector<PipeServer::ConnectionId> closed() {
        EnterCriticalSection(&lock_);
        auto copy = closed_;
        LeaveCriticalSection(&lock_);
        return copy;
    }
    bool sawImpersonation() {
        EnterCriticalSection(&lock_);
        const bool seen = impersonated_;
        LeaveCriticalSection(&lock_);
        return seen;
    }
    PipeClientIdentity WhoIs(PipeServer::ConnectionId id) {
        EnterCriticalSection(&lock_);
        auto who = who_[id];
        LeaveCriticalSection(&lock_);
        return who;
    }

private:
    CRITICAL_SECTION lock_;
    Handle closedEvent_;
    std::map<PipeServer::ConnectionId, std::vector<std::string>> received_;
    std::map<PipeServer::ConnectionId, PipeClientIdentity> who_;
    std::vector<PipeServer::ConnectionId> closed_;
    bool impersonated_ = false;
};

struct Served {
    std::string name = UniquePipeName();
    EchoListener listener;
    std::unique_ptr<PipeServer> server;
    Served() {
        PipeServer::Options options;
        options.name = name;
        server.reset(new PipeServer(listener, options));
        listener.server = server.get();
        server->Start();
    }
    PipeClient Connect() { return PipeClient::Connect(name, OwnProcess, kDeadlineMs); }
};

std::string Reversed(const std::string& s) { return std::string(s.rbegin(), s.rend()); }

// Receives the next message, failing the test rather than waiting forever.
std::string Next(PipeClient& client) {
    std::optional<std::string> got = client.Receive(kDeadlineMs);
    EXPECT_TRUE(got.has_value()) << "no answer within the deadline";
    return got.value_or("");
}

// Whether the server ended the client's connection: the next receive throws.
bool EndedByServer(PipeClient& client) {
    try {
        client.Receive(kDeadlineMs);
        return false;
    } catch (const PipeError&) {
        return true;
    }
}

// The server registers a connection on its accept thread, just after the
// client's CreateFile returned.
bool WaitForConnections(PipeServer& server, std::size_t count) {
    const DWORD start = GetTickCount();
    while (server.Connections().size() != count) {
        if (GetTickCount() - start > kDeadlineMs) return false;
        Sleep(10);
    }
    return true;
}

TEST(ViewPipe, WholeMessagesGoBothWaysUpToTheLimit) {
    Served s;
    PipeClient client = s.Connect();
    std::string binary("\x01\x02\0\xff\x80", 5);
    std::string atLimit(kPipeMessageLimit, 'x');
    atLimit.front() = 'a';  // its echo differs from it
    const std::vector<std::string> messages = {"\x01\x07", binary, std::string(8192 + 1, 'b') + "c", atLimit};
    for (const std::string& m : messages) {
        client.Send(m);
        EXPECT_EQ(Next(client), Reversed(m)) << m.size() << " bytes";
    }
    // Several queued before any is read arrive whole and in order.
    for (int i = 0; i < 5; ++i) client.Send(std::string(3000 + i, static_cast<char>('0' + i)) + "!");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Next(client), "!" + std::string(3000 + i, static_cast<char>('0' + i)));
    EXPECT_TRUE(s.listener.closed().empty());
}

// A client that writes what it is given as one message, whatever its size,
// as a hostile program would, and tells whether the server ended it.
class RawClient {
public:
    explicit RawClient(const std::string& name)
        : pipe_(CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {
        DWORD mode = PIPE_READMODE_MESSAGE;
        EXPECT_TRUE(pipe_.valid() && SetNamedPipeHandleState(pipe_.get(), &mode, nullptr, nullptr));
    }
    bool Send(const std::string& message) {
        DWORD n = 0;
        return WriteFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()), &n, nullptr) &&
               n == message.size();
    }
    // The server's end closes: a read fails (it never answers these).
    bool EndedByServer() {
        char byte;
        DWORD n = 0;
        return !ReadFile(pipe_.get(), &byte, 1, &n, nullptr) && GetLastError() != ERROR_MORE_DATA;
    }

private:
    Handle pipe_;
};

TEST(ViewPipe, OneBadConnectionEndsAloneAndTheServerServesOn) {
    Served s;
    PipeClient good = s.Connect();
    good.Send("hello");
    EXPECT_EQ(Next(good), "olleh");
    const std::vector<PipeServer::ConnectionId> before = s.server->Connections();
    ASSERT_EQ(before.size(), 1u);

    struct Row {
        const char* what;
        std::string message;
        std::size_t reachesListener;  // messages the listener sees
    } rows[] = {
        {"one byte over the limit", std::string(kPipeMessageLimit + 1, 'y'), 0},
        {"far over the limit", std::string(4 * kPipeMessageLimit, 'z'), 0},
        {"a message its listener throws on", "!bad", 1},
    };
    std::size_t closed = 0;
    for (const Row& row : rows) {
        RawClient bad(s.name);
        // Its connection is known once the server took it.
        ASSERT_TRUE(WaitForConnections(*s.server, 2)) << row.what;
        std::vector<PipeServer::ConnectionId> now = s.server->Connections();
        ASSERT_EQ(now.size(), 2u) << row.what;
        const PipeServer::ConnectionId badId = now[0] == before[0] ? now[1] : now[0];
        bad.Send(row.message);  // a write the server ends may fail half way
        EXPECT_TRUE(bad.EndedByServer()) << row.what;
        ASSERT_TRUE(s.listener.WaitClosed(++closed)) << row.what;
        EXPECT_EQ(s.listener.closed().back(), badId) << row.what;
        EXPECT_EQ(s.listener.MessagesOf(badId), row.reachesListener) << row.what;
        // The other view goes on.
        good.Send(row.what);
        EXPECT_EQ(Next(good), Reversed(row.what));
    }
    // A new view is served as the first was.
    PipeClient later = s.Connect();
    later.Send("again");
    EXPECT_EQ(Next(later), "niaga");
}

TEST(ViewPipe, TheServerEndsAConnectionItWasToldToOrCouldNotSend) {
    Served s;
    struct Row {
        const char* what;
        void (*end)(PipeServer&, PipeServer::ConnectionId);
    } rows[] = {
        {"closed by the service", [](PipeServer& server, PipeServer::ConnectionId id) { server.Close(id); }},
        {"a message longer than any view takes",
         [](PipeServer& server, PipeServer::ConnectionId id) {
             EXPECT_TRUE(server.Send(id, std::string(kPipeMessageLimit + 1, 'q')));
         }},
    };
    std::size_t closed = 0;
    for (const Row& row : rows) {
        PipeClient client = s.Connect();
        client.Send("hi");
        EXPECT_EQ(Next(client), "ih");
        const PipeServer::ConnectionId id = s.server->Connections().at(0);
        row.end(*s.server, id);
        EXPECT_TRUE(EndedByServer(client)) << row.what;
        ASSERT_TRUE(s.listener.WaitClosed(++closed)) << row.what;
        EXPECT_TRUE(s.server->Connections().empty()) << row.what;
        EXPECT_FALSE(s.server->Send(id, "late")) << row.what << ": a gone connection takes nothing";
    }
    // Stopping the server ends every view's connection.
    PipeClient a = s.Connect(), b = s.Connect();
    a.Send("1");
    b.Send("2");
    EXPECT_EQ(Next(a), "1");
    EXPECT_EQ(Next(b), "2");
    s.server->Stop();
    EXPECT_TRUE(EndedByServer(a));
    EXPECT_TRUE(EndedByServer(b));
    EXPECT_EQ(s.listener.closed().size(), closed + 2);
}

TEST(ViewPipe, TheConnectionKnowsWhoTheClientIs) {
    Served s;
    PipeClient client = s.Connect();
    client.Send("who");
    EXPECT_EQ(Next(client), "ohw");
    const PipeClientIdentity who = s.listener.WhoIs(s.server->Connections().at(0));
    ASSERT_TRUE(who.known);

    // The answers this process's own token gives.
    BOOL admin = FALSE;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                         0, 0, &admins));
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &admin));
    FreeSid(admins);
    char name[256];
    DWORD length = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &length));
    DWORD session = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));

    EXPECT_EQ(who.administrator, admin != FALSE);
    const std::string user = who.user.substr(who.user.find('\\') + 1);
    EXPECT_EQ(user, name) << who.user;
    EXPECT_NE(who.user.find('\\'), std::string::npos) << who.user;
    EXPECT_EQ(who.session, session);
    if (GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNamedPipeClientProcessId")) {
        EXPECT_EQ(who.process, GetCurrentProcessId());
    }
    // The connection's thread was the service again when it handed the
    // message on: its own user, not the client's.
    EXPECT_FALSE(s.listener.sawImpersonation());
}

TEST(ViewPipe, TheFirstInstanceKeepsTheNameFromASecondServer) {
    Served first;
    EchoListener other;
    PipeServer::Options options;
    options.name = first.name;
    PipeServer second(other, options);
    try {
        second.Start();
        ADD_FAILURE() << "a second server took the name";
    } catch (const PipeError& e) {
        EXPECT_EQ(e.code(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << e.what();
    }
    // The views still reach the first.
    PipeClient client = first.Connect();
    client.Send("ab");
    EXPECT_EQ(Next(client), "ba");
    // Once the first has gone, the name is free again.
    first.server->Stop();
    other.server = &second;
    second.Start();
    PipeClient again = PipeClient::Connect(first.name, OwnProcess, kDeadlineMs);
    again.Send("cd");
    EXPECT_EQ(Next(again), "dc");
}

TEST(ViewPipe, ConnectionsBeyondTheInstancesWaitForOneToEnd) {
    EchoListener listener;
    PipeServer::Options options;
    options.name = UniquePipeName();
    options.maxInstances = 2;
    PipeServer server(listener, options);
    listener.server = &server;
    server.Start();
    std::unique_ptr<PipeClient> first(new PipeClient(PipeClient::Connect(options.name, OwnProcess, kDeadlineMs)));
    PipeClient second = PipeClient::Connect(options.name, OwnProcess, kDeadlineMs);
    try {
        PipeClient::Connect(options.name, OwnProcess, 300);
        ADD_FAILURE() << "a third connection beyond two instances";
    } catch (const PipeError& e) {
        EXPECT_EQ(e.code(), static_cast<DWORD>(ERROR_PIPE_BUSY)) << e.what();
    }
    // One ends: its instance serves the next view.
    first.reset();
    ASSERT_TRUE(listener.WaitClosed(1));
    PipeClient third = PipeClient::Connect(options.name, OwnProcess, kDeadlineMs);
    third.Send("3");
    EXPECT_EQ(Next(third), "3");
    second.Send("2");
    EXPECT_EQ(Next(second), "2");
}

// A system that reports itself as XP: no PIPE_REJECT_REMOTE_CLIENTS, which
// would make the instance fail there.
class XpSystem : public testing::RecordingSystemOps {
public:
    unsigned WindowsMajorVersion() override { return 5; }
};

TEST(ViewPipe, TheServerServesWithTheRemoteFlagOnlyWhereTheSystemHasIt) {
    EXPECT_EQ(PipeModeFor(5) & 0x8u, 0u) << "XP refuses the flag";
    EXPECT_EQ(PipeModeFor(6) & 0x8u, 0x8u);
    EXPECT_EQ(PipeModeFor(10) & 0x8u, 0x8u);
    for (unsigned major : {5u, 6u, 10u})
        EXPECT_EQ(PipeModeFor(major) & (PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE),
                  static_cast<DWORD>(PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE));
    XpSystem xp;
    Served s;
    PipeClient client = s.Connect();
    client.Send("xp");
    EXPECT_EQ(Next(client), "px");
}

TEST(ViewPipe, AClientBelievesOnlyTheExpectedProcess) {
    Served s;
    struct Row {
        const char* what;
        PipeClient::ExpectedServer expected;
        DWORD error;
    } rows[] = {
        {"the service is not running", [] { return std::uint32_t(0); }, ERROR_SERVICE_NOT_ACTIVE},
        {"another process is the service", [] { return std::uint32_t(GetCurrentProcessId() + 4); },
         ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        try {
            PipeClient::Connect(s.name, row.expected, kDeadlineMs);
            ADD_FAILURE() << row.what << ": believed";
        } catch (const PipeError& e) {
            EXPECT_EQ(e.code(), row.error) << row.what << ": " << e.what();
        }
    }
    // A name nobody serves is refused at once, not waited for.
    try {
        PipeClient::Connect(s.name + ".none", OwnProcess, kDeadlineMs);
        ADD_FAILURE() << "connected to nothing";
    } catch (const PipeError& e) {
        EXPECT_EQ(e.code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << e.what();
    }
    // The refused clients left the server serving.
    PipeClient client = s.Connect();
    client.Send("ok");
    EXPECT_EQ(Next(client), "ko");
}

}  // namespace
}  // namespace vantrel
