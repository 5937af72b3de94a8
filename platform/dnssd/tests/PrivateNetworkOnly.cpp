// Multicast DNS leaves loopback outside a network namespace of its own:
// the tests refuse to send a single datagram unless in-netns made one.
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PrivateNetworkOnly : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("ORBILE_PRIVATE_NETWORK")) GTEST_SKIP() << "run through netshare/tests/in-netns";
    }
};
const auto* const kPrivateNetworkOnly = ::testing::AddGlobalTestEnvironment(new PrivateNetworkOnly);

}  // namespace
