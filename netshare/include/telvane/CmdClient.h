#pragma once
// The viewer's end of a command connection.
#include "telvane/Socket.h"

#include <cstdint>

namespace Telvane {

class CmdClient {
public:
    // A server that has not taken the connection by then is unreachable.
    static constexpr int kConnectTimeoutMs = 3000;

    // Connects at once, waiting at most connectTimeoutMs; connected() tells
    // whether it worked. Without a connection frames go nowhere and every
    // request fails at once.
    explicit CmdClient(const sockaddr_in* server, int connectTimeoutMs = kConnectTimeoutMs);
    virtual ~CmdClient();
    CmdClient(const CmdClient&) = delete;
    CmdClient& operator=(const CmdClient&) = delete;

    // Sends one frame: the big-endian payload length, then the payload.
    void sendFrame(const void* data, uint32_t length);
    Socket socket() const { return socket_; }
    bool connected() const { return socket_ != kNoSocket; }

    bool queryMulticastAddress(uint32_t& group, uint16_t& port);

private:
    SocketLibrary library_;
    Socket socket_;
};

}  // namespace Telvane
