// Every datagram on port 5353 goes through parseMessage. What parses must
// build again into a message that parses to the same content, so a fault
// in either direction shows as a crash here.
#include "DnsMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool same(const dnssd::Question& a, const dnssd::Question& b)
{
    return a.name == b.name && a.type == b.type && a.klass == b.klass && a.unicastResponse == b.unicastResponse;
}

bool same(const dnssd::Record& a, const dnssd::Record& b)
{
    return a.name == b.name && a.cacheFlush == b.cacheFlush && a.ttl == b.ttl && a.sameData(b) && a.target == b.target;
}

template <class T>
bool sameList(const std::vector<T>& a, const std::vector<T>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i])) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dnssd::Message first;
    if (!dnssd::parseMessage(data, size, first)) return 0;
    (void)dnssd::nameText(first.questions.empty() ? dnssd::Name() : first.questions[0].name);
    const std::vector<uint8_t> wire = dnssd::buildMessage(first);
    dnssd::Message second;
    if (!dnssd::parseMessage(wire.data(), wire.size(), second) || first.id != second.id ||
        first.flags != second.flags || !sameList(first.questions, second.questions) ||
        !sameList(first.answers, second.answers) || !sameList(first.authorities, second.authorities) ||
        !sameList(first.additionals, second.additionals))
        std::abort();
    return 0;
}
