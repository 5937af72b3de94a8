#include "telvane/CmdClient.h"

#include "telvane/ByteOrder.h"
#include "telvane/Commands.h"

namespace Telvane {

CmdClient::CmdClient(const sockaddr_in* server, int connectTimeoutMs) : socket_(net::openTcp())
{
    if (socket_ != kNoSocket && !(server && net::connectWithin(socket_, *server, connectTimeoutMs)))
        net::closeSocket(socket_);
}

CmdClient::~CmdClient() { net::closeSocket(socket_); }

void CmdClient::sendFrame(const void* data, uint32_t length)
{
    if (socket_ == kNoSocket) return;
    uint8_t prefix[4];
    storeBigEndian32(prefix, length);
    if (net::sendAll(socket_, prefix, sizeof prefix)) net::sendAll(socket_, data, length);
}

bool CmdClient::queryMulticastAddress(uint32_t& group, uint16_t& port)
{
    QueryMulticastAddressCmd query;
    return query.request(*this, group, port);
}

}  // namespace Telvane
