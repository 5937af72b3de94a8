#include "telvane/Multicast.h"

#include "telvane/ByteOrder.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace Telvane {

namespace {

constexpr int kWaitMs = 1000;
constexpr uint16_t kHeaderVersion = 0x0100;
// A picture arrives as one burst of datagrams; the system's default receive
// buffer holds only a few dozen, so a receive thread that falls behind for a
// moment would lose every large picture.
constexpr int kReceiveBuffer = 4 << 20;

// One counter for every provider in the process: viewers tell pictures
// apart by it.
std::atomic<uint32_t> nextFrameId{0};

bool hasTag(const uint8_t* datagram, const char* tag) { return std::memcmp(datagram, tag, 4) == 0; }

}  // namespace

MulticastImageProvider::MulticastImageProvider(uint32_t group, uint16_t port)
    : group_(net::ipv4Address(group, port)), socket_(net::openUdp())
{
    if (socket_ != kNoSocket && !net::setIntOption(socket_, IPPROTO_IP, IP_MULTICAST_TTL, kPictureTimeToLive))
        net::closeSocket(socket_);
}

MulticastImageProvider::~MulticastImageProvider() { net::closeSocket(socket_); }

void MulticastImageProvider::sendImage(const void* jpeg, uint32_t jpegLength, const void* meta, uint32_t metaLength)
{
    if (socket_ == kNoSocket) return;
    const uint32_t frameId = nextFrameId++;
    uint8_t header[kFrameHeaderSize] = {};
    std::memcpy(header, "STAR", 4);
    storeBigEndian16(header + 4, kHeaderVersion);
    std::memcpy(header + 8, "JPEG", 4);
    storeBigEndian32(header + 12, jpegLength);
    storeLittleEndian32(header + 16, frameId);
    if (!net::sendTo(socket_, header, sizeof header, group_)) return;
    if (meta) sendChunks(meta, metaLength, frameId, "META");
    sendChunks(jpeg, jpegLength, frameId, "JPEG");
}

bool MulticastImageProvider::sendChunks(const void* data, uint32_t length, uint32_t frameId, const char (&tag)[5])
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint32_t offset = 0;
    do {
        const uint32_t size = std::min(length - offset, kChunkPayload);
        std::memcpy(datagram_, tag, 4);
        storeBigEndian32(datagram_ + 4, offset);
        storeLittleEndian32(datagram_ + 8, frameId);
        if (size > 0) std::memcpy(datagram_ + kChunkHeaderSize, bytes + offset, size);
        if (!net::sendTo(socket_, datagram_, kChunkHeaderSize + size, group_)) return false;
        offset += size;
    } while (offset < length);
    return true;
}

PictureAssembler::PictureAssembler(uint8_t* picture, uint32_t pictureCapacity, uint8_t* meta, uint32_t metaCapacity)
    : picture_(picture), pictureCapacity_(pictureCapacity), meta_(meta), metaCapacity_(metaCapacity)
{
}

void PictureAssembler::open(uint32_t frameId, uint32_t total)
{
    started_ = true;
    frameId_ = frameId;
    total_ = total;
    metaLength_ = 0;
    // An empty picture still travels as one chunk without payload.
    const size_t chunks = std::max<size_t>(1, (size_t(total) + kChunkPayload - 1) / kChunkPayload);
    taken_.assign(chunks, false);
    chunksMissing_ = chunks;
}

PictureAssembler::Result PictureAssembler::take(const uint8_t* datagram, size_t length)
{
    if (length == kFrameHeaderSize && hasTag(datagram, "STAR")) {
        const uint32_t frameId = loadLittleEndian32(datagram + 16);
        if (started_ && frameId == frameId_) return Result::Pending;
        const uint32_t total = loadBigEndian32(datagram + 12);
        if (total > pictureCapacity_) {
            started_ = false;
            return Result::TooLarge;
        }
        open(frameId, total);
        return Result::Pending;
    }
    if (!started_ || length < kChunkHeaderSize || loadLittleEndian32(datagram + 8) != frameId_) return Result::Pending;

    const uint32_t offset = loadBigEndian32(datagram + 4);
    const uint8_t* payload = datagram + kChunkHeaderSize;
    const uint32_t size = uint32_t(length - kChunkHeaderSize);
    if (hasTag(datagram, "JPEG")) return takeChunk(payload, size, offset);
    // Only the first meta chunk is used: the camera-state block is 64 bytes.
    if (hasTag(datagram, "META") && offset == 0 && meta_ && size <= metaCapacity_) {
        std::memcpy(meta_, payload, size);
        metaLength_ = size;
    }
    return Result::Pending;
}

PictureAssembler::Result PictureAssembler::takeChunk(const uint8_t* payload, uint32_t size, uint32_t offset)
{
    if (offset % kChunkPayload != 0 || offset / kChunkPayload >= taken_.size()) return Result::Pending;
    const size_t index = offset / kChunkPayload;
    if (taken_[index] || size != std::min(total_ - offset, kChunkPayload)) return Result::Pending;
    taken_[index] = true;
    if (size > 0) std::memcpy(picture_ + offset, payload, size);
    if (--chunksMissing_ > 0) return Result::Pending;
    started_ = false;
    return Result::Complete;
}

MulticastImageReceiver::MulticastImageReceiver(uint32_t group, uint16_t port)
    : socket_(net::openUdp()), wake_(net::openUdp())
{
    const sockaddr_in loopback = net::ipv4Address(htonl(INADDR_LOOPBACK), 0);
    if (wake_ == kNoSocket || bind(wake_, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) != 0 ||
        !net::localAddress(wake_, wakeAddress_))
        net::closeSocket(socket_);
    if (socket_ == kNoSocket) return;
    const sockaddr_in any = net::ipv4Address(htonl(INADDR_ANY), port);
    ip_mreq membership{};
    membership.imr_multiaddr.s_addr = group;
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    if (!net::setByteOption(socket_, SOL_SOCKET, SO_REUSEADDR, true) ||
        bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
                   sizeof membership) != 0)
        net::closeSocket(socket_);
    else
        net::setIntOption(socket_, SOL_SOCKET, SO_RCVBUF, kReceiveBuffer);  // best effort
}

MulticastImageReceiver::~MulticastImageReceiver()
{
    net::closeSocket(socket_);
    net::closeSocket(wake_);
}

void MulticastImageReceiver::interrupt()
{
    const uint8_t wake = 1;
    if (wake_ != kNoSocket) net::sendTo(wake_, &wake, sizeof wake, wakeAddress_);
}

bool MulticastImageReceiver::receive(PictureBuffers& into)
{
    into.pictureLength = uint32_t(into.picture.size());
    into.metaLength = uint32_t(into.meta.size());
    const bool got = receive(into.picture.data(), into.pictureLength, into.meta.empty() ? nullptr : into.meta.data(),
                             into.metaLength);
    if (!got) into.pictureLength = into.metaLength = 0;
    return got;
}

bool MulticastImageReceiver::receive(uint8_t* picture, uint32_t& pictureCapacity, uint8_t* meta, uint32_t& metaCapacity)
{
    if (socket_ == kNoSocket) return false;
    PictureAssembler assembler(picture, pictureCapacity, meta, meta ? metaCapacity : 0);
    const Socket watched[] = {socket_, wake_};
    for (;;) {
        bool ready[2] = {};
        if (net::waitReadable(watched, 2, kWaitMs, ready) <= 0) return false;
        if (ready[1]) {
            net::receiveSome(wake_, datagram_, sizeof datagram_);
            return false;
        }
        const long got = net::receiveSome(socket_, datagram_, sizeof datagram_);
        // No sender of ours makes a datagram larger than kMaxDatagram: one
        // that fills the buffer's spare byte, or did not fit, is not ours.
        if ((got < 0 && net::lastReceiveWasCut()) || got > long(kMaxDatagram)) continue;
        if (got < 0) return false;
        switch (assembler.take(datagram_, size_t(got))) {
        case PictureAssembler::Result::Pending:
            continue;
        case PictureAssembler::Result::TooLarge:
            return false;
        case PictureAssembler::Result::Complete:
            pictureCapacity = assembler.pictureLength();
            metaCapacity = assembler.metaLength();
            return true;
        }
    }
}

}  // namespace Telvane
