// The service's end of the views: the pipe's server joined to the hub.
// The pipe tells of each connection on a thread of its own; the hub lives
// on the service's thread, so every message and every closed connection is
// posted there, in order, and the hub answers through the pipe, whose Send
// and Close only queue (neither calls back into the hub). A connection
// whose client's token could not be read is closed unheard: the service
// decides what a view may do from that token alone.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "app/service_win.h"
#include "app/view_launcher_win.h"
#include "history/history.h"
#include "service/pipe_win.h"
#include "service/view_hub.h"

namespace vantrel {

class ServiceViews : public PipeServer::Listener, public ViewSender, public ViewCommands {
public:
    // The hub's idea of a session at the screen: the console's, or an
    // active one (connected, at the console or remotely).
    static bool SessionAtScreen(std::uint32_t session);

    // `viewCommand`: the command line a view starts with (the program,
    // quoted); empty: the service starts no views.
    ServiceViews(ServiceHost& host, PipeServer::Options options = PipeServer::Options(),
                 std::string viewCommand = std::string());
    ~ServiceViews() override;
    ServiceViews(const ServiceViews&) = delete;
    ServiceViews& operator=(const ServiceViews&) = delete;

    // Takes the pipe's name (throws PipeError when another process holds
    // it), before the host starts: messages wait in the host's queue.
    void Start();
    // On the service's thread, after the host started: the hub shows the
    // runner and the history names who chose.
    void Attach();
    // Ends every connection; the host stays.
    void Stop();

    ViewHub& hub() { return hub_; }
    ViewLauncher& launcher() { return launcher_; }

    // PipeServer::Listener, on the connections' threads.
    void Received(PipeServer::ConnectionId id, const PipeClientIdentity& who, const std::string& message) override;
    void Closed(PipeServer::ConnectionId id) override;

    // ViewSender, on the service's thread.
    void Send(ConnectionId connection, const std::string& body) override { pipe_.Send(connection, body); }
    void Close(ConnectionId connection) override { pipe_.Close(connection); }

    // ViewCommands: the tray menu's and the hotkeys' commands a view sent.
    void PowerCommand(PowerOp op, ChoiceSource source, const ViewPeer& by) override;
    void CleanJunk(const ViewPeer& by) override;

private:
    // The history, once the host has one.
    class LateHistory : public HistorySink {
    public:
        HistorySink* to = nullptr;
        void Append(const HistoryEntry& entry) override {
            if (to) to->Append(entry);
        }
    };
    void OnReceived(ConnectionId id, const PipeClientIdentity& who, const std::string& message);
    void OnClosed(ConnectionId id);

    ServiceHost& host_;
    LateHistory history_;
    ViewHub hub_;
    PipeServer pipe_;
    ViewLauncher launcher_;
    bool launches_;
    std::set<ConnectionId> open_;  // the service's thread's: connections it has heard from
};

}  // namespace vantrel
