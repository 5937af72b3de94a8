#pragma once
// A thin layer over Windows Sockets that maps onto BSD sockets on other
// hosts, so the framework's protocol code runs unchanged under the host's
// sanitizers. Only what the framework needs is here.
#include <atomic>
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace Telvane {

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
#endif

// Keeps Windows Sockets started for as long as the owner lives.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;

private:
#ifdef _WIN32
    bool started_;
#endif
};

namespace net {

Socket openTcp();
Socket openUdp();
// Closes the socket when one is held and leaves kNoSocket behind.
void closeSocket(Socket& s);
int lastError();

bool setByteOption(Socket s, int level, int name, bool on);
bool setIntOption(Socket s, int level, int name, int value);

bool connectTo(Socket s, const sockaddr_in& address);
// Connects, giving up after timeoutMs; false when the peer refused or did
// not answer in time. The socket is blocking again afterwards.
bool connectWithin(Socket s, const sockaddr_in& address, int timeoutMs);
// Bounds every blocking send on the socket: a send that cannot hand on a
// single byte within timeoutMs fails.
bool setSendTimeout(Socket s, int timeoutMs);
Socket acceptFrom(Socket listener);
bool localAddress(Socket s, sockaddr_in& address);

// Sends every byte, in pieces small enough that a send time-out measures
// progress; false on the first error.
bool sendAll(Socket s, const void* data, size_t length);

// Watches the sends that the constructing thread makes on one socket while
// the watch lives: a piece cut short by the send time-out fails, after the
// first failure every further send on it fails at once (a peer that does
// not read costs one time-out, not one per reply), and once abandon is set
// the sends stop between pieces.
class SendWatch {
public:
    SendWatch(Socket s, const std::atomic<bool>& abandon);
    ~SendWatch();
    SendWatch(const SendWatch&) = delete;
    SendWatch& operator=(const SendWatch&) = delete;

    bool failed() const { return failed_; }

private:
    friend bool sendAll(Socket, const void*, size_t);
    static SendWatch* on(Socket s);

    Socket socket_;
    const std::atomic<bool>& abandon_;
    SendWatch* outer_;
    bool failed_ = false;
};
bool sendTo(Socket s, const void* data, size_t length, const sockaddr_in& to);
// One receive: the byte count, 0 when the peer closed, negative on error.
long receiveSome(Socket s, void* buffer, size_t capacity);
// After a failed receive: the datagram was larger than the buffer (Windows
// reports that as an error, other systems cut the datagram silently).
bool lastReceiveWasCut();

// Waits up to timeoutMs for any of the sockets to become readable and marks
// ready[i] for each that is. Returns how many are ready, 0 on time-out and a
// negative value on error.
int waitReadable(const Socket* sockets, size_t count, int timeoutMs, bool* ready);

// Receives exactly count bytes. Waits up to a second at a time; ten waits
// without data in all give up. Fails at once on an error, on no socket, or
// when the peer closes the connection.
bool recvAll(Socket s, void* destination, size_t count);

// Reads and discards count bytes with the same waiting rules as recvAll.
bool skipAll(Socket s, size_t count);

sockaddr_in ipv4Address(uint32_t addressNetworkOrder, uint16_t portNetworkOrder);

}  // namespace net
}  // namespace Telvane
