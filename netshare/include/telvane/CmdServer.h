#pragma once
// The sharing console's end of the command connections: one listening
// socket and a single-threaded loop that accepts viewers, reassembles their
// frames and hands each complete frame to the callback.
#include "telvane/Socket.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace Telvane {

class CmdServerCallBack;
class ViewerSet;

class CmdServer {
public:
    // The listening socket plus at most 63 viewers.
    static constexpr size_t kMaxSockets = 64;

    // port in network order; 0 lets the system choose (read it back with
    // listeningSocket and getsockname).
    explicit CmdServer(uint16_t portNetworkOrder);
    virtual ~CmdServer();
    CmdServer(const CmdServer&) = delete;
    CmdServer& operator=(const CmdServer&) = delete;

    // Set before start; not owned.
    void setCallback(CmdServerCallBack* callback) { callback_ = callback; }
    Socket listeningSocket() const { return listener_; }

    // Runs the loop on a thread of the server's own; a loop still running
    // from an earlier start is stopped and joined first.
    void start();
    // Ends the loop within about a second and waits for it; every viewer
    // still connected is closed.
    void stop();

private:
    void run();
    void acceptPending(ViewerSet& viewers);
    bool serveViewer(ViewerSet& viewers, size_t i, uint8_t* buffer, size_t capacity);

    CmdServerCallBack* callback_ = nullptr;
    SocketLibrary library_;
    Socket listener_;
    std::atomic<bool> stopRequested_{false};
    std::thread loop_;
};

}  // namespace Telvane
