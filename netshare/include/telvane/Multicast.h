#pragma once
// The live picture sent to every viewer at once by UDP multicast: a "STAR"
// datagram announces a picture, then "META" and "JPEG" chunks of at most
// 1460 payload bytes carry the camera-state block and the JPEG.
#include "telvane/Socket.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Telvane {

constexpr char kPictureGroup[] = "239.254.1.2";
constexpr int kPictureTimeToLive = 2;
// A chunk datagram with IP and UDP headers fits one 1500-byte Ethernet frame.
constexpr uint32_t kChunkPayload = 1460;
constexpr uint32_t kChunkHeaderSize = 12;
constexpr uint32_t kFrameHeaderSize = 20;
constexpr uint32_t kMaxDatagram = kChunkHeaderSize + kChunkPayload;

class MulticastImageProvider {
public:
    // Group and port in network order.
    MulticastImageProvider(uint32_t group, uint16_t port);
    virtual ~MulticastImageProvider();
    MulticastImageProvider(const MulticastImageProvider&) = delete;
    MulticastImageProvider& operator=(const MulticastImageProvider&) = delete;

    bool usable() const { return socket_ != kNoSocket; }
    void sendImage(const void* jpeg, uint32_t jpegLength, const void* meta, uint32_t metaLength);
    // Sends one stream as chunks; true when every byte went out.
    bool sendChunks(const void* data, uint32_t length, uint32_t frameId, const char (&tag)[5]);

private:
    SocketLibrary library_;
    sockaddr_in group_;
    Socket socket_;
    uint8_t datagram_[kMaxDatagram];
};

// Rebuilds one picture from datagrams. Only chunks on the 1460-byte grid
// that carry exactly the bytes their place calls for are taken, each once,
// so a picture is reported complete only when every byte arrived.
class PictureAssembler {
public:
    enum class Result { Pending, Complete, TooLarge };

    // meta may be null: meta chunks are then ignored.
    PictureAssembler(uint8_t* picture, uint32_t pictureCapacity, uint8_t* meta, uint32_t metaCapacity);

    Result take(const uint8_t* datagram, size_t length);

    uint32_t pictureLength() const { return total_; }
    // 0 when the picture came without a usable meta block.
    uint32_t metaLength() const { return metaLength_; }

private:
    void open(uint32_t frameId, uint32_t total);
    Result takeChunk(const uint8_t* payload, uint32_t size, uint32_t offset);

    uint8_t* picture_;
    uint32_t pictureCapacity_;
    uint8_t* meta_;
    uint32_t metaCapacity_;

    bool started_ = false;
    uint32_t frameId_ = 0;
    uint32_t total_ = 0;
    uint32_t metaLength_ = 0;
    size_t chunksMissing_ = 0;
    std::vector<bool> taken_;
};

// A receive loop's buffers. Every receive into them starts from their full
// sizes, whatever the previous picture left in the lengths.
struct PictureBuffers {
    PictureBuffers(size_t pictureCapacity, size_t metaCapacity) : picture(pictureCapacity), meta(metaCapacity) {}

    std::vector<uint8_t> picture;
    std::vector<uint8_t> meta;
    uint32_t pictureLength = 0;
    uint32_t metaLength = 0;  // 0 when the picture came without a meta block
};

class MulticastImageReceiver {
public:
    // Group and port in network order.
    MulticastImageReceiver(uint32_t group, uint16_t port);
    virtual ~MulticastImageReceiver();
    MulticastImageReceiver(const MulticastImageReceiver&) = delete;
    MulticastImageReceiver& operator=(const MulticastImageReceiver&) = delete;

    bool usable() const { return socket_ != kNoSocket; }
    // Waits for and assembles one picture. On success pictureCapacity is the
    // picture's length and metaCapacity the meta block's (0 without one).
    // False after a second without datagrams, on an error, or when the
    // announced picture does not fit.
    // False also after interrupt.
    bool receive(uint8_t* picture, uint32_t& pictureCapacity, uint8_t* meta, uint32_t& metaCapacity);
    bool receive(PictureBuffers& into);

    // Ends the receive in progress, or else the next one, at once with
    // false: a viewer that disconnects need not wait for the group to fall
    // silent. Any thread may call it.
    void interrupt();

private:
    SocketLibrary library_;
    Socket socket_;
    // A loopback socket that interrupt sends a byte to.
    Socket wake_;
    sockaddr_in wakeAddress_{};
    uint8_t datagram_[kMaxDatagram + 1];
};

}  // namespace Telvane
