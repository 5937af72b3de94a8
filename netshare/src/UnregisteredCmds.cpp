#include "telvane/UnregisteredCmds.h"

#include <cstdlib>
#include <cstring>

namespace Telvane {

void GetContentCmd::encode(Encoder& e) const
{
    e.writeFloat(width_);
    e.writeFloat(height_);
}

void GetContentCmd::decode(Decoder& d)
{
    width_ = d.readFloat();
    height_ = d.readFloat();
}

void GetContentCmd::execute(CmdHandlerBase* handler, Socket replySocket)
{
    reply_.setSocket(replySocket);
    if (auto* sharing = dynamic_cast<GDNetworkSharingCmdHandler*>(handler))
        sharing->onContentRequest(this, width_, height_);
}

ByteBlockCmd::~ByteBlockCmd() { std::free(data_); }

void ByteBlockCmd::adopt(uint8_t* data, uint32_t size)
{
    std::free(data_);
    data_ = data;
    size_ = data ? size : 0;
}

void ByteBlockCmd::encode(Encoder& e) const
{
    e.writeU32(size_);
    if (size_ > 0) e.write(data_, size_);
}

void ByteBlockCmd::decode(Decoder& d)
{
    const uint32_t size = d.readU32();
    adopt(d.readBytes(size), size);
}

SendGraphicCmd::SendGraphicCmd(const void* data, uint32_t size)
{
    if (!data || size == 0) return;
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size));
    if (copy) std::memcpy(copy, data, size);
    adopt(copy, size);
}

void SendGraphicCmd::execute(CmdHandlerBase* handler, Socket)
{
    auto* sharing = dynamic_cast<GDNetworkSharingCmdHandler*>(handler);
    if (sharing && data_) sharing->onGraphicReceived(data_, size_);
}

void EraserCmd::execute(CmdHandlerBase* handler, Socket)
{
    auto* sharing = dynamic_cast<GDNetworkSharingCmdHandler*>(handler);
    if (sharing && data_) sharing->onEraserReceived(data_, size_);
}

}  // namespace Telvane
