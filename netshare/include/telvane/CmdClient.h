#pragma once
// The viewer's end of a command connection.
#include "telvane/Socket.h"

#include <cstdint>

namespace Telvane {

class CmdClient {
public:
    // Connects at once; a failed connect shows later as replies that never
    // come.
    explicit CmdClient(const sockaddr_in* server);
    virtual ~CmdClient();
    CmdClient(const CmdClient&) = delete;
    CmdClient& operator=(const CmdClient&) = delete;

    // Sends one frame: the big-endian payload length, then the payload.
    void sendFrame(const void* data, uint32_t length);
    Socket socket() const { return socket_; }

    bool queryMulticastAddress(uint32_t& group, uint16_t& port);

private:
    SocketLibrary library_;
    Socket socket_;
};

}  // namespace Telvane
