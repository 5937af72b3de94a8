#include "telvane/Commands.h"

#include "telvane/ByteOrder.h"
#include "telvane/CmdClient.h"

#include <cstdlib>
#include <cstring>

namespace Telvane {

void Cmd::send(CmdClient& client) const
{
    BinaryEncoder encoder(*this);
    if (!encoder.failed()) client.sendFrame(encoder.data(), encoder.size());
}

bool Cmd::sendAndWait(CmdClient& client)
{
    send(client);
    return readReply(client.socket());
}

void QueryMulticastAddressCmd::execute(CmdHandlerBase* handler, Socket replySocket)
{
    if (handler) handler->onQueryMulticastAddress(replySocket);
}

bool QueryMulticastAddressCmd::request(CmdClient& client, uint32_t& group, uint16_t& port)
{
    MulticastAddressReply reply;
    if (!requestInto(client, &reply)) return false;
    group = reply.group;
    port = reply.port;
    return true;
}

void QueryCapabilityCmd::execute(CmdHandlerBase* handler, Socket replySocket)
{
    if (auto* docCam = dynamic_cast<DocCamCmdHandler*>(handler)) docCam->onQueryCapability(replySocket);
}

bool QueryCapabilityCmd::request(CmdClient& client, uint8_t (&capability)[8])
{
    return requestInto(client, capability);
}

void QueryCapabilityCmdV2::execute(CmdHandlerBase* handler, Socket replySocket)
{
    if (auto* v2 = dynamic_cast<DocCamCmdHandlerV2*>(handler)) v2->onQueryCapabilityV2(replySocket);
}

bool QueryCapabilityCmdV2::request(CmdClient& client, uint32_t (&capability)[8])
{
    return requestInto(client, capability);
}

PictureReply::~PictureReply() { std::free(bytes_); }

void PictureReply::send(const void* data, uint32_t length) const
{
    if (socket_ == kNoSocket || !data || length == 0) return;
    uint8_t prefix[4];
    storeBigEndian32(prefix, length);
    if (net::sendAll(socket_, prefix, sizeof prefix)) net::sendAll(socket_, data, length);
}

bool PictureReply::read(Socket s)
{
    std::free(bytes_);
    bytes_ = nullptr;
    length_ = 0;
    uint8_t prefix[4];
    received_ = net::recvAll(s, prefix, sizeof prefix);
    if (!received_) return false;
    const uint32_t length = loadBigEndian32(prefix);
    if (length == 0) return true;
    // The length is the peer's word: a larger one is refused, not
    // allocated, and its bytes are passed over so the next reply lines up.
    if (length > kMaxLength) {
        net::skipAll(s, length);
        received_ = false;
        return false;
    }
    bytes_ = static_cast<uint8_t*>(std::malloc(length));
    received_ = bytes_ && net::recvAll(s, bytes_, length);
    if (received_) {
        length_ = length;
    } else {
        std::free(bytes_);
        bytes_ = nullptr;
    }
    return received_;
}

void SnapshotCmd::encode(Encoder& e) const
{
    e.writeFloat(width_);
    e.writeFloat(height_);
    e.writeU8(flag_);
}

void SnapshotCmd::decode(Decoder& d)
{
    width_ = d.readFloat();
    height_ = d.readFloat();
    flag_ = d.readU8();
}

void SnapshotCmd::execute(CmdHandlerBase* handler, Socket replySocket)
{
    reply_.setSocket(replySocket);
    if (auto* docCam = dynamic_cast<DocCamCmdHandler*>(handler)) docCam->onSnapshot(this, width_, height_, flag_);
}

const uint8_t* SnapshotCmd::request(CmdClient& client, uint32_t& length)
{
    if (!sendAndWait(client)) return nullptr;
    length = reply_.length();
    return reply_.data();
}

void HighQualitySnapshotCmd::execute(CmdHandlerBase* handler, Socket replySocket)
{
    reply_.setSocket(replySocket);
    if (auto* v2 = dynamic_cast<DocCamCmdHandlerV2*>(handler)) v2->onHighQualitySnapshot(this);
}

const uint8_t* HighQualitySnapshotCmd::request(CmdClient& client, uint32_t& length)
{
    if (!sendAndWait(client)) return nullptr;
    length = reply_.length();
    return reply_.data();
}

void DocCamCmd::encode(Encoder& e) const { e.write(bytes_, sizeof bytes_); }

void DocCamCmd::decode(Decoder& d) { d.read(bytes_, sizeof bytes_); }

void DocCamCmd::execute(CmdHandlerBase* handler, Socket)
{
    if (auto* docCam = dynamic_cast<DocCamCmdHandler*>(handler))
        docCam->onDocCamCmd(bytes_[0], bytes_[1], bytes_[2], bytes_[3]);
}

AnnotationCmd::~AnnotationCmd() { releaseGraphic(); }

void AnnotationCmd::releaseGraphic()
{
    if (ownsGraphic_) delete graphic_;
    graphic_ = nullptr;
}

void AnnotationCmd::encode(Encoder& e) const
{
    if (graphic_) e.writeObject(*graphic_);
}

void AnnotationCmd::decode(Decoder& d)
{
    releaseGraphic();
    graphic_ = d.readObjectOf<Graphic>();
    ownsGraphic_ = true;
}

void AnnotationCmd::execute(CmdHandlerBase* handler, Socket)
{
    auto* docCam = dynamic_cast<DocCamCmdHandler*>(handler);
    if (docCam && graphic_) docCam->onAnnotation(graphic_);
}

void EraseAllAnnotationCmd::execute(CmdHandlerBase* handler, Socket)
{
    if (auto* docCam = dynamic_cast<DocCamCmdHandler*>(handler)) docCam->onEraseAllAnnotation();
}

}  // namespace Telvane
