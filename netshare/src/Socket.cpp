#include "telvane/Socket.h"

#include <algorithm>

#ifdef _WIN32
#else
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>
#endif

namespace Telvane {

#ifdef _WIN32
SocketLibrary::SocketLibrary()
{
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketLibrary::~SocketLibrary()
{
    if (started_) WSACleanup();
}
#else
SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;
#endif

namespace net {

namespace {
constexpr int kReplyWaitMs = 1000;
constexpr int kReplyWaitsAllowed = 10;
constexpr size_t kSendPiece = 64 * 1024;

thread_local SendWatch* currentWatch = nullptr;

void setBlocking(Socket s, bool blocking)
{
#ifdef _WIN32
    u_long nonBlocking = blocking ? 0 : 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
#else
    const int flags = fcntl(s, F_GETFL);
    fcntl(s, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
#endif
}

bool connectPending()
{
#ifdef _WIN32
    return WSAGetLastError() == WSAEWOULDBLOCK;
#else
    return errno == EINPROGRESS;
#endif
}

// Waits for a non-blocking connect to finish and tells whether it succeeded.
bool connectFinished(Socket s, int timeoutMs)
{
#ifdef _WIN32
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &timeout) <= 0 || !FD_ISSET(s, &writable)) return false;
#else
    pollfd polled{s, POLLOUT, 0};
    if (poll(&polled, 1, timeoutMs) <= 0) return false;
#endif
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

#ifdef _WIN32
constexpr int kSendFlags = 0;
#else
// A peer that has gone must show as a send error, not end the process.
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif
}  // namespace

Socket openTcp() { return socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }

Socket openUdp() { return socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP); }

void closeSocket(Socket& s)
{
    if (s == kNoSocket) return;
#ifdef _WIN32
    closesocket(s);
#else
    close(s);
#endif
    s = kNoSocket;
}

int lastError()
{
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

bool setByteOption(Socket s, int level, int name, bool on)
{
#ifdef _WIN32
    // Windows Sockets takes boolean options as a single byte.
    char value = on ? 1 : 0;
#else
    int value = on ? 1 : 0;
#endif
    return setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool setIntOption(Socket s, int level, int name, int value)
{
    return setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool connectTo(Socket s, const sockaddr_in& address)
{
    return connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool connectWithin(Socket s, const sockaddr_in& address, int timeoutMs)
{
    setBlocking(s, false);
    const bool connected = connectTo(s, address) || (connectPending() && connectFinished(s, timeoutMs));
    setBlocking(s, true);
    return connected;
}

bool setSendTimeout(Socket s, int timeoutMs)
{
#ifdef _WIN32
    const DWORD timeout = DWORD(timeoutMs);
#else
    const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
#endif
    return setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) == 0;
}

SendWatch::SendWatch(Socket s, const std::atomic<bool>& abandon) : socket_(s), abandon_(abandon), outer_(currentWatch)
{
    currentWatch = this;
}

SendWatch::~SendWatch() { currentWatch = outer_; }

SendWatch* SendWatch::on(Socket s)
{
    for (SendWatch* watch = currentWatch; watch; watch = watch->outer_)
        if (watch->socket_ == s) return watch;
    return nullptr;
}

Socket acceptFrom(Socket listener) { return accept(listener, nullptr, nullptr); }

bool localAddress(Socket s, sockaddr_in& address)
{
    socklen_t length = sizeof address;
    return getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

bool sendAll(Socket s, const void* data, size_t length)
{
    SendWatch* watch = SendWatch::on(s);
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        if (watch && (watch->failed_ || watch->abandon_)) {
            watch->failed_ = true;
            return false;
        }
        const int piece = int(std::min(length, kSendPiece));
        const long sent = send(s, p, piece, kSendFlags);
        // A blocking send hands on less than asked only when its time-out
        // fired: under a watch that is the peer not reading.
        if (sent <= 0 || (watch && sent < piece)) {
            if (watch) watch->failed_ = true;
            return false;
        }
        p += sent;
        length -= size_t(sent);
    }
    return true;
}

bool sendTo(Socket s, const void* data, size_t length, const sockaddr_in& to)
{
    const long sent = sendto(s, static_cast<const char*>(data), int(length), kSendFlags,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == long(length);
}

long receiveSome(Socket s, void* buffer, size_t capacity)
{
    return recv(s, static_cast<char*>(buffer), int(std::min<size_t>(capacity, 1u << 30)), 0);
}

bool lastReceiveWasCut()
{
#ifdef _WIN32
    return WSAGetLastError() == WSAEMSGSIZE;
#else
    return false;
#endif
}

int waitReadable(const Socket* sockets, size_t count, int timeoutMs, bool* ready)
{
#ifdef _WIN32
    // fd_set holds FD_SETSIZE (64) handles: exactly the largest set we watch.
    fd_set readable;
    FD_ZERO(&readable);
    for (size_t i = 0; i < count && i < FD_SETSIZE; ++i) FD_SET(sockets[i], &readable);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int result = select(0, &readable, nullptr, nullptr, &timeout);
    for (size_t i = 0; i < count; ++i) ready[i] = result > 0 && FD_ISSET(sockets[i], &readable);
    return result;
#else
    // poll, unlike select, has no limit on descriptor numbers.
    std::vector<pollfd> polled(count);
    for (size_t i = 0; i < count; ++i) polled[i] = pollfd{sockets[i], POLLIN, 0};
    const int result = poll(polled.data(), polled.size(), timeoutMs);
    for (size_t i = 0; i < count; ++i) ready[i] = result > 0 && (polled[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return result;
#endif
}

bool recvAll(Socket s, void* destination, size_t count)
{
    if (s == kNoSocket) return count == 0;
    char* p = static_cast<char*>(destination);
    int waitsWithoutData = 0;
    while (count > 0) {
        bool ready = false;
        if (waitReadable(&s, 1, kReplyWaitMs, &ready) <= 0) {
            if (++waitsWithoutData >= kReplyWaitsAllowed) return false;
            continue;
        }
        const long got = receiveSome(s, p, count);
        if (got <= 0) return false;
        p += got;
        count -= size_t(got);
    }
    return true;
}

bool skipAll(Socket s, size_t count)
{
    char scratch[4096];
    while (count > 0) {
        const size_t piece = std::min(count, sizeof scratch);
        if (!recvAll(s, scratch, piece)) return false;
        count -= piece;
    }
    return true;
}

sockaddr_in ipv4Address(uint32_t addressNetworkOrder, uint16_t portNetworkOrder)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = addressNetworkOrder;
    address.sin_port = portNetworkOrder;
    return address;
}

}  // namespace net
}  // namespace Telvane
