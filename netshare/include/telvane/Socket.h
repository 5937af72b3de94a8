#pragma once
// A thin layer over Windows Sockets that maps onto BSD sockets on other
// hosts, so the framework's protocol code runs unchanged under the host's
// sanitizers. Only what the framework needs is here.
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
Socket acceptFrom(Socket listener);
bool localAddress(Socket s, sockaddr_in& address);

// Sends every byte, retrying partial sends; false on the first error.
bool sendAll(Socket s, const void* data, size_t length);
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
// without data in all give up. Fails at once on an error or when the peer
// closes the connection.
bool recvAll(Socket s, void* destination, size_t count);

// Reads and discards count bytes with the same waiting rules as recvAll.
bool skipAll(Socket s, size_t count);

sockaddr_in ipv4Address(uint32_t addressNetworkOrder, uint16_t portNetworkOrder);

}  // namespace net
}  // namespace Telvane
