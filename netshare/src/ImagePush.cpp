#include "telvane/ImagePush.h"

#include "telvane/ByteOrder.h"

#include <cstdio>
#include <cstring>
#include <vector>

#ifndef _WIN32
#include <netdb.h>
#include <unistd.h>
#endif

namespace Telvane {

namespace {

constexpr int kWaitMs = 1000;
constexpr int kAcceptWaits = 10;
// A subscriber that cannot be reached, or takes no part of a picture, for
// this long is dropped rather than holding up the others.
constexpr int kPushTimeoutMs = 2000;

void trace(const char* line)
{
#ifdef _WIN32
    OutputDebugStringA(line);
#else
    (void)line;
#endif
}

bool bindAndListen(Socket s, const sockaddr_in& address)
{
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::printf("bind:%d\n", net::lastError());
        return false;
    }
    if (listen(s, 1) != 0) {
        std::printf("listen:%d\n", net::lastError());
        return false;
    }
    return true;
}

Socket openListener(const sockaddr_in& address)
{
    Socket s = net::openTcp();
    if (s == kNoSocket) {
        std::printf("socket:%d\n", net::lastError());
        return kNoSocket;
    }
    if (!bindAndListen(s, address)) net::closeSocket(s);
    return s;
}

// The first IPv4 address the host's name resolves to, or 0.
uint32_t hostAddress()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return 0;
    const uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return address;
}

}  // namespace

void SubscriptionRequest::store(uint8_t (&wire)[kSize]) const
{
    wire[0] = kSize;
    wire[1] = flags;
    wire[2] = family;
    std::memcpy(wire + 3, &address, 4);
    std::memcpy(wire + 7, &port, 2);
}

bool SubscriptionRequest::load(const uint8_t (&wire)[kSize])
{
    if (wire[0] != kSize) return false;
    flags = wire[1];
    family = wire[2];
    std::memcpy(&address, wire + 3, 4);
    std::memcpy(&port, wire + 7, 2);
    return true;
}

// The push connection to one subscriber, made on first use. Shared between
// the subscriber list and a push in progress, so a subscriber removed
// meanwhile keeps its socket open until that push is done with it.
class ImageServer::Connection {
public:
    explicit Connection(uint8_t family) : family_(family) {}
    ~Connection() { net::closeSocket(socket_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool send(const Subscriber& who, const uint8_t (&prefix)[4], const void* picture, uint32_t length,
              const std::atomic<bool>& abandon)
    {
        if (socket_ == kNoSocket && !open(who)) return false;
        trace("Start sending\n");
        net::SendWatch watch(socket_, abandon);
        const bool sent = net::sendAll(socket_, prefix, sizeof prefix) && net::sendAll(socket_, picture, length);
        trace("End sending\n");
        return sent;
    }

private:
    bool open(const Subscriber& who)
    {
        if (family_ != AF_INET) return false;
        trace("Start connecting\n");
        socket_ = net::openTcp();
        if (socket_ != kNoSocket &&
            (!net::connectWithin(socket_, net::ipv4Address(who.first, who.second), kPushTimeoutMs) ||
             !net::setSendTimeout(socket_, kPushTimeoutMs)))
            net::closeSocket(socket_);
        trace("End connecting\n");
        return socket_ != kNoSocket;
    }

    uint8_t family_;
    Socket socket_ = kNoSocket;
};

ImageServer::ImageServer(uint32_t address, uint16_t port) : listener_(openListener(net::ipv4Address(address, port))) {}

ImageServer::~ImageServer()
{
    std::lock_guard<std::mutex> hold(lock_);
    subscribers_.clear();
    net::closeSocket(listener_);
}

void ImageServer::serveRequests()
{
    while (!stopRequested_ && listener_ != kNoSocket) {
        bool ready = false;
        if (net::waitReadable(&listener_, 1, kWaitMs, &ready) <= 0 || stopRequested_) continue;
        Socket requester = net::acceptFrom(listener_);
        if (requester == kNoSocket) continue;
        handleRequest(requester);
        net::closeSocket(requester);
    }
}

void ImageServer::handleRequest(Socket requester)
{
    uint8_t wire[SubscriptionRequest::kSize];
    SubscriptionRequest request;
    if (!net::recvAll(requester, wire, sizeof wire) || !request.load(wire)) return;
    const Subscriber who(request.address, request.port);
    std::lock_guard<std::mutex> hold(lock_);
    bool added = false;
    if (request.flags & SubscriptionRequest::kSubscribe)
        added = subscribers_.emplace(who, std::make_shared<Connection>(request.family)).second;
    if ((request.flags & SubscriptionRequest::kUnsubscribe) && !added) subscribers_.erase(who);
}

void ImageServer::push(const void* picture, uint32_t length)
{
    uint8_t prefix[4];
    storeLittleEndian32(prefix, length);
    std::lock_guard<std::mutex> one(pushing_);
    std::vector<std::pair<Subscriber, std::shared_ptr<Connection>>> targets;
    {
        std::lock_guard<std::mutex> hold(lock_);
        targets.assign(subscribers_.begin(), subscribers_.end());
    }
    std::vector<std::pair<Subscriber, std::shared_ptr<Connection>>> unreachable;
    for (const auto& target : targets)
        if (!target.second->send(target.first, prefix, picture, length, stopRequested_)) unreachable.push_back(target);
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& gone : unreachable) {
        // A subscriber that left and came back meanwhile has a new connection.
        auto found = subscribers_.find(gone.first);
        if (found != subscribers_.end() && found->second == gone.second) subscribers_.erase(found);
    }
}

size_t ImageServer::subscriberCount() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return subscribers_.size();
}

ImageSubscriber::ImageSubscriber(const sockaddr_in& server, uint32_t localAddress, uint16_t localPort)
    : server_(server), listener_(openListener(net::ipv4Address(localAddress, localPort)))
{
    own_.family = AF_INET;
    sockaddr_in bound{};
    if (listener_ == kNoSocket || !net::localAddress(listener_, bound)) return;
    own_.port = bound.sin_port;
    own_.address = bound.sin_addr.s_addr;
    // Bound to every interface, the server must be told an address it can
    // reach: the host's own.
    if (own_.address == htonl(INADDR_ANY)) own_.address = hostAddress();
}

ImageSubscriber::~ImageSubscriber()
{
    net::closeSocket(push_);
    unsubscribe();
    net::closeSocket(listener_);
}

bool ImageSubscriber::sendRequest(uint8_t flags)
{
    if (server_.sin_family != AF_INET) return false;
    SubscriptionRequest request = own_;
    request.flags = flags;
    uint8_t wire[SubscriptionRequest::kSize];
    request.store(wire);
    Socket s = net::openTcp();
    const bool sent = s != kNoSocket && net::connectTo(s, server_) && net::sendAll(s, wire, sizeof wire);
    net::closeSocket(s);
    return sent;
}

bool ImageSubscriber::receive(uint8_t* buffer, uint32_t& capacity)
{
    if (push_ == kNoSocket) {
        if (listener_ == kNoSocket) return false;
        bool ready = false;
        for (int wait = 0; wait < kAcceptWaits && !ready; ++wait) net::waitReadable(&listener_, 1, kWaitMs, &ready);
        if (!ready || (push_ = net::acceptFrom(listener_)) == kNoSocket) return false;
    }
    uint8_t prefix[4];
    if (!net::recvAll(push_, prefix, sizeof prefix)) {
        net::closeSocket(push_);
        return false;
    }
    const uint32_t length = loadLittleEndian32(prefix);
    if (length == 0) return false;
    if (length > capacity) {
        if (!net::skipAll(push_, length)) net::closeSocket(push_);
        return false;
    }
    if (!net::recvAll(push_, buffer, length)) {
        net::closeSocket(push_);
        return false;
    }
    capacity = length;
    return true;
}

}  // namespace Telvane
