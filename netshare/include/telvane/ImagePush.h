#pragma once
// Point-to-point picture distribution: subscribers ask a server, on short
// TCP connections, to be put on or taken off its list; the server then
// pushes every picture to each subscriber over a connection of its own
// (a little-endian u32 length, then the bytes).
#include "telvane/Socket.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace Telvane {

// The 9-byte request a subscriber sends.
struct SubscriptionRequest {
    static constexpr uint8_t kSize = 9;
    static constexpr uint8_t kSubscribe = 1;
    static constexpr uint8_t kUnsubscribe = 2;

    uint8_t flags = 0;
    uint8_t family = 0;
    uint32_t address = 0;  // network order
    uint16_t port = 0;     // network order

    void store(uint8_t (&wire)[kSize]) const;
    // False for a record of the wrong size.
    bool load(const uint8_t (&wire)[kSize]);
};

class ImageServer {
public:
    // Address and port in network order.
    ImageServer(uint32_t address, uint16_t port);
    virtual ~ImageServer();
    ImageServer(const ImageServer&) = delete;
    ImageServer& operator=(const ImageServer&) = delete;

    Socket listeningSocket() const { return listener_; }

    // Serves subscription requests until requestStop; notices it within a
    // second.
    void serveRequests();
    void requestStop() { stopRequested_ = true; }

    // Pushes one picture to every subscriber; those that cannot be reached
    // or do not take the picture in time are dropped. The subscriber list
    // stays free for requests while the picture goes out.
    void push(const void* picture, uint32_t length);
    size_t subscriberCount() const;

private:
    // A subscriber is its address and port, whatever flags its requests carry.
    using Subscriber = std::pair<uint32_t, uint16_t>;
    class Connection;

    void handleRequest(Socket requester);

    SocketLibrary library_;
    Socket listener_;
    std::atomic<bool> stopRequested_{false};
    // One push at a time, so pictures never interleave on a connection.
    std::mutex pushing_;
    mutable std::mutex lock_;
    std::map<Subscriber, std::shared_ptr<Connection>> subscribers_;
};

class ImageSubscriber {
public:
    // Listens on the local address and port (network order) for the pushes.
    ImageSubscriber(const sockaddr_in& server, uint32_t localAddress, uint16_t localPort);
    virtual ~ImageSubscriber();
    ImageSubscriber(const ImageSubscriber&) = delete;
    ImageSubscriber& operator=(const ImageSubscriber&) = delete;

    bool subscribe() { return sendRequest(SubscriptionRequest::kSubscribe); }
    bool unsubscribe() { return sendRequest(SubscriptionRequest::kUnsubscribe); }

    // Receives one pushed picture into buffer; capacity becomes its length.
    // A picture of length 0 or larger than the capacity is refused with
    // false and passed over, so the next one is read from its start.
    bool receive(uint8_t* buffer, uint32_t& capacity);

    // Where the pushes arrive: port and address in network order.
    uint16_t announcedPort() const { return own_.port; }
    uint32_t announcedAddress() const { return own_.address; }

private:
    bool sendRequest(uint8_t flags);

    SocketLibrary library_;
    sockaddr_in server_;
    SubscriptionRequest own_;
    Socket listener_;
    Socket push_ = kNoSocket;
};

}  // namespace Telvane
