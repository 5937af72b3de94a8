// A small Windows program on our dns_sd calls, driven by the interop test
// against an independent DNS-SD implementation:
//   dnssd_peer register NAME PORT STOPFILE   registers until STOPFILE exists,
//                                            then deregisters
//   dnssd_peer find NAME                     browses, resolves NAME and looks
//                                            its host up with gethostbyname
// Results go to standard output, one line each.
#include "dns_sd.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kType[] = "_dovraorbile._tcp";

struct Found {
    bool seen = false;
    bool resolved = false;
    bool failed = false;
};

void DNSSD_API registered(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error, const char* name, const char* type,
                          const char* domain, void*)
{
    if (error)
        std::printf("register error %d\n", int(error));
    else
        std::printf("registered %s %s%s\n", name, type, domain);
}

void DNSSD_API resolved(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error, const char* fullname,
                        const char* host, uint16_t port, uint16_t, const unsigned char*, void* context)
{
    auto* found = static_cast<Found*>(context);
    if (error) {
        std::printf("resolve error %d\n", int(error));
        found->failed = true;
        return;
    }
    std::printf("resolved %s %s %u\n", fullname, host, unsigned(ntohs(port)));
    const hostent* entry = gethostbyname(host);
    if (entry && entry->h_addrtype == AF_INET && entry->h_addr_list[0]) {
        in_addr address;
        std::memcpy(&address, entry->h_addr_list[0], sizeof address);
        std::printf("address %s\n", inet_ntoa(address));
    } else {
        std::printf("address none\n");
    }
    found->resolved = true;
}

struct Browsing {
    const char* wanted;
    Found found;
    DNSServiceRef resolve = nullptr;
};

void DNSSD_API browsed(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error,
                       const char* name, const char* type, const char* domain, void* context)
{
    auto* browsing = static_cast<Browsing*>(context);
    std::printf("%s %s %s%s\n", (flags & kDNSServiceFlagsAdd) ? "add" : "remove", name, type, domain);
    if (error || !(flags & kDNSServiceFlagsAdd) || std::strcmp(name, browsing->wanted) || browsing->resolve) return;
    browsing->found.seen = true;
    DNSServiceResolve(&browsing->resolve, 0, interfaceIndex, name, type, domain, resolved, &browsing->found);
}

// Waits up to waitMs for a result on the reference and delivers it.
void pump(DNSServiceRef ref, int waitMs)
{
    if (!ref) return;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(DNSServiceRefSockFD(ref), &readable);
    timeval timeout{0, waitMs * 1000};
    if (select(0, &readable, nullptr, nullptr, &timeout) > 0) DNSServiceProcessResult(ref);
    std::fflush(stdout);
}

int registerUntil(const char* name, int port, const char* stopFile)
{
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error = DNSServiceRegister(&ref, 0, 0, name, kType, nullptr, nullptr,
                                                         htons(uint16_t(port)), 0, nullptr, registered, nullptr);
    if (error) {
        std::printf("register call error %d\n", int(error));
        return 1;
    }
    // Bounded: the test never waits longer than this for anything.
    for (int step = 0; step < 1200 && GetFileAttributesA(stopFile) == INVALID_FILE_ATTRIBUTES; ++step) pump(ref, 50);
    DNSServiceRefDeallocate(ref);
    std::printf("deregistered\n");
    return 0;
}

int find(const char* name)
{
    Browsing browsing;
    browsing.wanted = name;
    DNSServiceRef browse = nullptr;
    if (DNSServiceBrowse(&browse, 0, 0, kType, "", browsed, &browsing)) {
        std::printf("browse call error\n");
        return 1;
    }
    for (int step = 0; step < 600 && !browsing.found.resolved && !browsing.found.failed; ++step) {
        pump(browse, 25);
        pump(browsing.resolve, 25);
    }
    if (browsing.resolve) DNSServiceRefDeallocate(browsing.resolve);
    DNSServiceRefDeallocate(browse);
    return browsing.found.resolved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    int status = 2;
    if (argc == 5 && !std::strcmp(argv[1], "register"))
        status = registerUntil(argv[2], std::atoi(argv[3]), argv[4]);
    else if (argc == 3 && !std::strcmp(argv[1], "find"))
        status = find(argv[2]);
    else
        std::fprintf(stderr, "usage: dnssd_peer register NAME PORT STOPFILE | find NAME\n");
    std::fflush(stdout);
    WSACleanup();
    return status;
}
