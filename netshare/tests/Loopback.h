#pragma once
// Real sockets on 127.0.0.1 for the transport tests.
#include "telvane/Socket.h"
#include "testsupport/PollUntil.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace loopback {

using Telvane::Socket;

inline sockaddr_in address(uint16_t portNetworkOrder)
{
    return Telvane::net::ipv4Address(htonl(INADDR_LOOPBACK), portNetworkOrder);
}

inline uint16_t boundPort(Socket s)
{
    sockaddr_in bound{};
    Telvane::net::localAddress(s, bound);
    return bound.sin_port;
}

// A plain TCP connection to the loopback port, for speaking the wire by hand.
class RawPeer {
public:
    // A receive buffer size other than 0 is set before connecting: a small
    // one makes a peer that does not read fill up at once.
    explicit RawPeer(uint16_t portNetworkOrder, int receiveBuffer = 0) : socket_(Telvane::net::openTcp())
    {
        if (receiveBuffer > 0) Telvane::net::setIntOption(socket_, SOL_SOCKET, SO_RCVBUF, receiveBuffer);
        connected_ = Telvane::net::connectTo(socket_, address(portNetworkOrder));
    }
    ~RawPeer() { Telvane::net::closeSocket(socket_); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connected() const { return connected_; }
    Socket socket() const { return socket_; }
    bool send(const void* data, size_t length) { return Telvane::net::sendAll(socket_, data, length); }

    // True when the other end closed the connection within the wait.
    bool closedByPeer(int waitMs = 5000)
    {
        bool ready = false;
        if (Telvane::net::waitReadable(&socket_, 1, waitMs, &ready) <= 0) return false;
        char byte;
        return Telvane::net::receiveSome(socket_, &byte, 1) <= 0;
    }

    // True when the other end closed the connection within the wait, after
    // whatever it had sent before.
    bool drainedToClose(int waitMs = 10000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        char scratch[65536];
        while (std::chrono::steady_clock::now() < until) {
            bool ready = false;
            if (Telvane::net::waitReadable(&socket_, 1, 100, &ready) > 0 &&
                Telvane::net::receiveSome(socket_, scratch, sizeof scratch) <= 0)
                return true;
        }
        return false;
    }

    // Ends the connection with a reset rather than an orderly close.
    void abort()
    {
        linger hard{1, 0};
        setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        Telvane::net::closeSocket(socket_);
    }

private:
    Telvane::SocketLibrary library_;
    Socket socket_;
    bool connected_ = false;
};

// Polls a condition that another thread makes true.
template <class Condition>
bool eventually(Condition condition, int waitMs = 10000)
{
    return testsupport::PollUntil(waitMs, condition);
}

}  // namespace loopback
