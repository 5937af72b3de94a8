#pragma once
// Multicast DNS messages: parsing what arrives on the wire (bounded, never
// trusting a length or a compression pointer) and building what we send.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dnssd {

// A domain name as its labels, without the root. Labels are raw bytes: a
// service instance name may hold dots, spaces and UTF-8.
using Name = std::vector<std::string>;

constexpr size_t kMaxLabel = 63;
constexpr size_t kMaxNameOnWire = 255;

enum RecordType : uint16_t {
    kTypeA = 1,
    kTypePtr = 12,
    kTypeTxt = 16,
    kTypeSrv = 33,
    kTypeAny = 255,
};
constexpr uint16_t kClassIn = 1;

// Names compare without regard to ASCII case.
bool sameName(const Name& a, const Name& b);
// The name as text, dots between labels and after the last; dots and
// backslashes inside a label are escaped, control bytes as \DDD.
std::string nameText(const Name& name);

struct Question {
    Name name;
    uint16_t type = 0;
    uint16_t klass = kClassIn;
    bool unicastResponse = false;  // the QU bit
};

struct Record {
    Name name;
    uint16_t type = 0;
    uint16_t klass = kClassIn;
    bool cacheFlush = false;
    uint32_t ttl = 0;
    // The decoded data of the types we use; every other type keeps its
    // bytes in data, as does TXT.
    Name target;                                  // PTR, SRV
    uint16_t priority = 0, weight = 0, port = 0;  // SRV, port in host order
    uint32_t address = 0;                         // A, network order
    std::vector<uint8_t> data;

    bool sameData(const Record& other) const;
};

struct Message {
    static constexpr uint16_t kResponse = 0x8000;
    static constexpr uint16_t kAuthoritative = 0x0400;

    uint16_t id = 0;
    uint16_t flags = 0;
    std::vector<Question> questions;
    std::vector<Record> answers;
    std::vector<Record> authorities;
    std::vector<Record> additionals;

    bool isResponse() const { return (flags & kResponse) != 0; }
};

// False for anything malformed: truncated sections, bad labels, looping or
// forward compression pointers, names over 255 bytes, record data that does
// not match its type.
bool parseMessage(const uint8_t* data, size_t size, Message& message);

// Names are compressed against earlier identical suffixes.
std::vector<uint8_t> buildMessage(const Message& message);

}  // namespace dnssd
