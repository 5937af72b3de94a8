// The dns_sd calls as the console makes them: results wait on each
// reference's socket and arrive through DNSServiceProcessResult. One
// process is one host: it browses and resolves its own service. Runs only
// in a network namespace of its own (see netshare/tests/in-netns).
#include "dns_sd.h"

#include "telvane/Socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

void DNSSD_API registered(DNSServiceRef, DNSServiceFlags flags, DNSServiceErrorType error, const char* name,
                          const char* type, const char* domain, void* context)
{
    static_cast<Lines*>(context)->push_back("registered " + std::to_string(error) + " " + name + " " + type + domain +
                                            ((flags & kDNSServiceFlagsAdd) ? " add" : ""));
}

void DNSSD_API browsed(DNSServiceRef, DNSServiceFlags flags, uint32_t, DNSServiceErrorType error, const char* name,
                       const char* type, const char* domain, void* context)
{
    static_cast<Lines*>(context)->push_back(std::string((flags & kDNSServiceFlagsAdd) ? "add " : "remove ") + name +
                                            " " + type + domain + " " + std::to_string(error));
}

void DNSSD_API resolved(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error, const char* fullname,
                        const char* host, uint16_t port, uint16_t txtLength, const unsigned char*, void* context)
{
    static_cast<Lines*>(context)->push_back("resolved " + std::to_string(error) + " " + fullname + " " + host + " " +
                                            std::to_string(ntohs(port)) + " " + std::to_string(txtLength));
}

// Delivers results of the reference until the line appears, ten seconds at most.
bool deliverUntil(DNSServiceRef ref, const Lines& lines, const std::string& line)
{
    for (int wait = 0; wait < 100; ++wait) {
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
        const Telvane::Socket s = DNSServiceRefSockFD(ref);
        bool ready = false;
        if (Telvane::net::waitReadable(&s, 1, 100, &ready) > 0)
            EXPECT_EQ(DNSServiceProcessResult(ref), kDNSServiceErr_NoError);
    }
    return false;
}

TEST(ApiTest, RegisterBrowseResolveAndDeregister)
{
    Lines lines;
    DNSServiceRef browse = nullptr;
    ASSERT_EQ(DNSServiceBrowse(&browse, 0, 0, "_dovraorbile._tcp", "", browsed, &lines), kDNSServiceErr_NoError);
    DNSServiceRef service = nullptr;
    ASSERT_EQ(DNSServiceRegister(&service, 0, 0, "Lab", "_dovraorbile._tcp", "", nullptr, htons(7010), 0, nullptr,
                                 registered, &lines),
              kDNSServiceErr_NoError);
    EXPECT_TRUE(deliverUntil(service, lines, "registered 0 Lab _dovraorbile._tcp.local. add"));
    EXPECT_TRUE(deliverUntil(browse, lines, "add Lab _dovraorbile._tcp.local. 0"));

    DNSServiceRef resolve = nullptr;
    ASSERT_EQ(DNSServiceResolve(&resolve, 0, 0, "Lab", "_dovraorbile._tcp.", "local.", resolved, &lines),
              kDNSServiceErr_NoError);
    EXPECT_TRUE(deliverUntil(resolve, lines, "resolved 0 Lab._dovraorbile._tcp.local. 127.0.0.1 7010 1"))
        << ::testing::PrintToString(lines);
    DNSServiceRefDeallocate(resolve);

    DNSServiceRefDeallocate(service);
    EXPECT_TRUE(deliverUntil(browse, lines, "remove Lab _dovraorbile._tcp.local. 0"));
    DNSServiceRefDeallocate(browse);
}

TEST(ApiTest, RefusesWhatItCannotServe)
{
    DNSServiceRef ref = nullptr;
    const auto browse = [&](const char* type, const char* domain) {
        return DNSServiceBrowse(&ref, 0, 0, type, domain, browsed, nullptr);
    };
    EXPECT_EQ(browse(nullptr, ""), kDNSServiceErr_BadParam);
    EXPECT_EQ(browse("dovraorbile._tcp", ""), kDNSServiceErr_BadParam);
    EXPECT_EQ(browse("_dovraorbile._sctp", ""), kDNSServiceErr_BadParam);
    EXPECT_EQ(browse("_dovraorbile", ""), kDNSServiceErr_BadParam);
    EXPECT_EQ(browse("_dovraorbile._tcp", "example.com."), kDNSServiceErr_Unsupported);
    EXPECT_EQ(DNSServiceBrowse(&ref, 0, 0, "_dovraorbile._tcp", "", nullptr, nullptr), kDNSServiceErr_BadParam);
    const std::string tooLong(64, 'n');
    EXPECT_EQ(DNSServiceRegister(&ref, 0, 0, tooLong.c_str(), "_dovraorbile._tcp", "", nullptr, htons(1), 0, nullptr,
                                 registered, nullptr),
              kDNSServiceErr_BadParam);
    EXPECT_EQ(DNSServiceResolve(&ref, 0, 0, "", "_dovraorbile._tcp", "", resolved, nullptr), kDNSServiceErr_BadParam);
    EXPECT_EQ(DNSServiceProcessResult(nullptr), kDNSServiceErr_BadReference);
    DNSServiceRefDeallocate(nullptr);
}

}  // namespace
