// Messages as other responders send them, and the malformed ones a hostile
// peer could send.
#include "DnsMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace dnssd;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes header(uint16_t flags, uint16_t qd, uint16_t an, uint16_t ns, uint16_t ar)
{
    return {0, 0, uint8_t(flags >> 8), uint8_t(flags), 0, uint8_t(qd), 0, uint8_t(an), 0, uint8_t(ns), 0, uint8_t(ar)};
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes label(const std::string& text)
{
    Bytes b(text.size() + 1, uint8_t(text.size()));
    std::copy(text.begin(), text.end(), b.begin() + 1);
    return b;
}

const Bytes kServiceType = label("_dovraorbile") + label("_tcp") + label("local") + Bytes{0};

Bytes record(const Bytes& name, uint16_t type, uint16_t klass, const Bytes& data)
{
    return name + Bytes{uint8_t(type >> 8),  uint8_t(type), uint8_t(klass >> 8), uint8_t(klass), 0, 0, 0, 120, 0,
                        uint8_t(data.size())} +
           data;
}

// A response as a peer sends it: names compressed, also inside record data.
TEST(DnsMessageTest, ReadsACompressedResponse)
{
    const Bytes instance = label("Room 4.1");
    const size_t instanceAt = 12 + kServiceType.size() + 10;
    const Bytes host = label("host") + label("local") + Bytes{0};
    const Bytes wire = header(0x8400, 0, 3, 0, 0) + record(kServiceType, 12, 1, instance + Bytes{0xC0, 12}) +
                       record(Bytes{0xC0, uint8_t(instanceAt)}, 33, 0x8001, Bytes{0, 0, 0, 0, 0x1B, 0x58} + host) +
                       record(label("HOST") + label("Local") + Bytes{0}, 1, 0x8001, Bytes{127, 0, 0, 1});
    Message m;
    ASSERT_TRUE(parseMessage(wire.data(), wire.size(), m));
    ASSERT_EQ(m.answers.size(), 3u);
    EXPECT_EQ(nameText(m.answers[0].target), "Room 4\\.1._dovraorbile._tcp.local.");
    EXPECT_EQ(nameText(m.answers[1].name), "Room 4\\.1._dovraorbile._tcp.local.");
    EXPECT_EQ(m.answers[1].port, 7000);
    EXPECT_TRUE(m.answers[1].cacheFlush);
    EXPECT_EQ(m.answers[1].klass, kClassIn);
    EXPECT_TRUE(sameName(m.answers[1].target, m.answers[2].name));
    const Bytes address(reinterpret_cast<const uint8_t*>(&m.answers[2].address),
                        reinterpret_cast<const uint8_t*>(&m.answers[2].address) + 4);
    EXPECT_EQ(address, (Bytes{127, 0, 0, 1}));

    // Built again, the names are compressed as well: the message is no longer.
    const Bytes again = buildMessage(m);
    EXPECT_LE(again.size(), wire.size());
}

TEST(DnsMessageTest, RefusesMalformedMessages)
{
    Bytes longName;
    for (int i = 0; i < 5; ++i) longName = longName + label(std::string(60, 'x'));
    longName.push_back(0);
    const struct {
        const char* what;
        Bytes wire;
    } cases[] = {
        {"short header", Bytes(11, 0)},
        {"missing question", header(0, 1, 0, 0, 0)},
        {"pointer to itself", header(0, 1, 0, 0, 0) + Bytes{0xC0, 12, 0, 1, 0, 1}},
        {"pointer loop", header(0, 1, 0, 0, 0) + label("a") + Bytes{0xC0, 12, 0, 1, 0, 1}},
        {"pointer forward", header(0, 1, 0, 0, 0) + Bytes{0xC0, 18, 0, 1, 0, 1} + label("a") + Bytes{0}},
        {"extended label", header(0, 1, 0, 0, 0) + Bytes{0x41, 'a', 0, 0, 1, 0, 1}},
        {"name over 255 bytes", header(0, 1, 0, 0, 0) + longName + Bytes{0, 1, 0, 1}},
        {"label past the end", header(0, 1, 0, 0, 0) + Bytes{9, 'a', 'b'}},
        {"address of 5 bytes", header(0x8400, 0, 1, 0, 0) + record(Bytes{0}, 1, 1, Bytes{1, 2, 3, 4, 5})},
        {"SRV name past its data",
         header(0x8400, 0, 1, 0, 0) + record(Bytes{0}, 33, 1, Bytes{0, 0, 0, 0, 0, 1, 3, 'a'})},
        {"PTR with bytes after its name", header(0x8400, 0, 1, 0, 0) + record(Bytes{0}, 12, 1, Bytes{0, 7})},
        {"record data past the end", header(0x8400, 0, 1, 0, 0) + Bytes{0, 0, 16, 0, 1, 0, 0, 0, 1, 0, 9, 1}},
        {"counts without records", header(0x8400, 0, 255, 255, 255)},
    };
    for (const auto& c : cases) {
        Message m;
        EXPECT_FALSE(parseMessage(c.wire.data(), c.wire.size(), m)) << c.what;
    }
}

TEST(DnsMessageTest, NamesCompareWithoutCaseAndPrintEscaped)
{
    EXPECT_TRUE(sameName({"Room", "_Dovraorbile", "_tcp", "LOCAL"}, {"room", "_dovraorbile", "_TCP", "local"}));
    EXPECT_FALSE(sameName({"Room"}, {"Room2"}));
    EXPECT_FALSE(sameName({"Ä"}, {"ä"}));  // only ASCII letters fold
    EXPECT_EQ(nameText({std::string("a\\b c\x01", 6), "local"}), "a\\\\b c\\001.local.");
    EXPECT_EQ(nameText({}), ".");
}

}  // namespace
