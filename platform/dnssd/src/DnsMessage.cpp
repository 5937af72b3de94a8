#include "DnsMessage.h"

#include <map>

namespace dnssd {

namespace {

constexpr uint16_t kTopBit = 0x8000;
constexpr size_t kHeaderSize = 12;
// Offsets a compression pointer can reach.
constexpr size_t kMaxPointerTarget = 0x3FFF;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t position() const { return pos_; }
    bool has(size_t count) const { return count <= size_ - pos_; }

    bool u16(uint16_t& v)
    {
        if (!has(2)) return false;
        v = uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
        pos_ += 2;
        return true;
    }

    bool u32(uint32_t& v)
    {
        uint16_t high, low;
        if (!u16(high) || !u16(low)) return false;
        v = (uint32_t(high) << 16) | low;
        return true;
    }

    // Reads a name at the current position and moves past its in-place part.
    // Every compression pointer must lead strictly before the bytes read so
    // far, so no chain of pointers can loop.
    bool name(Name& out)
    {
        out.clear();
        size_t at = pos_;
        size_t lowest = at;
        bool jumped = false;
        size_t wireLength = 1;
        for (;;) {
            if (at >= size_) return false;
            const uint8_t length = data_[at];
            if ((length & 0xC0) == 0xC0) {
                if (at + 1 >= size_) return false;
                const size_t target = (size_t(length & 0x3F) << 8) | data_[at + 1];
                if (!jumped) pos_ = at + 2;
                if (target >= lowest) return false;
                lowest = at = target;
                jumped = true;
                continue;
            }
            if (length & 0xC0) return false;  // the extended label types are not in use
            if (length == 0) {
                if (!jumped) pos_ = at + 1;
                return true;
            }
            if (size_t(length) + 1 > size_ - at) return false;
            wireLength += length + 1;
            if (wireLength > kMaxNameOnWire) return false;
            out.emplace_back(reinterpret_cast<const char*>(data_ + at + 1), length);
            at += length + 1;
        }
    }

    bool recordData(Record& r, size_t length)
    {
        if (!has(length)) return false;
        const size_t end = pos_ + length;
        switch (r.type) {
        case kTypeA:
            if (length != 4) return false;
            r.address = 0;
            for (int i = 0; i < 4; ++i) reinterpret_cast<uint8_t*>(&r.address)[i] = data_[pos_ + i];
            pos_ = end;
            return true;
        case kTypeSrv:
            if (!u16(r.priority) || !u16(r.weight) || !u16(r.port)) return false;
            return pos_ < end && name(r.target) && pos_ == end;
        case kTypePtr:
            return name(r.target) && pos_ == end;
        default:
            r.data.assign(data_ + pos_, data_ + end);
            pos_ = end;
            return true;
        }
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool readQuestion(Reader& in, Question& q)
{
    uint16_t klass;
    if (!in.name(q.name) || !in.u16(q.type) || !in.u16(klass)) return false;
    q.unicastResponse = (klass & kTopBit) != 0;
    q.klass = klass & ~kTopBit;
    return true;
}

bool readRecord(Reader& in, Record& r)
{
    uint16_t klass, length;
    if (!in.name(r.name) || !in.u16(r.type) || !in.u16(klass) || !in.u32(r.ttl) || !in.u16(length)) return false;
    r.cacheFlush = (klass & kTopBit) != 0;
    r.klass = klass & ~kTopBit;
    return in.recordData(r, length);
}

bool readRecords(Reader& in, uint16_t count, std::vector<Record>& out)
{
    for (uint16_t i = 0; i < count; ++i) {
        // The smallest record (root name, no data) takes 11 bytes: a count
        // larger than the message can hold is refused before it allocates.
        if (!in.has(11)) return false;
        out.emplace_back();
        if (!readRecord(in, out.back())) return false;
    }
    return true;
}

class Writer {
public:
    std::vector<uint8_t> bytes;

    void u16(uint16_t v)
    {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v));
    }

    void u32(uint32_t v)
    {
        u16(uint16_t(v >> 16));
        u16(uint16_t(v));
    }

    void name(const Name& n)
    {
        for (size_t i = 0; i < n.size(); ++i) {
            Name suffix(n.begin() + long(i), n.end());
            auto known = suffixes_.find(suffix);
            if (known != suffixes_.end()) {
                u16(uint16_t(0xC000 | known->second));
                return;
            }
            if (bytes.size() <= kMaxPointerTarget) suffixes_.emplace(std::move(suffix), bytes.size());
            bytes.push_back(uint8_t(n[i].size()));
            bytes.insert(bytes.end(), n[i].begin(), n[i].end());
        }
        bytes.push_back(0);
    }

    void question(const Question& q)
    {
        name(q.name);
        u16(q.type);
        u16(uint16_t(q.klass | (q.unicastResponse ? kTopBit : 0)));
    }

    void record(const Record& r)
    {
        name(r.name);
        u16(r.type);
        u16(uint16_t(r.klass | (r.cacheFlush ? kTopBit : 0)));
        u32(r.ttl);
        const size_t lengthAt = bytes.size();
        u16(0);
        switch (r.type) {
        case kTypeA:
            bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&r.address),
                         reinterpret_cast<const uint8_t*>(&r.address) + 4);
            break;
        case kTypeSrv:
            u16(r.priority);
            u16(r.weight);
            u16(r.port);
            name(r.target);
            break;
        case kTypePtr:
            name(r.target);
            break;
        default:
            bytes.insert(bytes.end(), r.data.begin(), r.data.end());
            break;
        }
        const size_t length = bytes.size() - lengthAt - 2;
        bytes[lengthAt] = uint8_t(length >> 8);
        bytes[lengthAt + 1] = uint8_t(length);
    }

private:
    std::map<Name, size_t> suffixes_;
};

}  // namespace

bool sameName(const Name& a, const Name& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size()) return false;
        for (size_t j = 0; j < a[i].size(); ++j)
            if (lowerAscii(a[i][j]) != lowerAscii(b[i][j])) return false;
    }
    return true;
}

std::string nameText(const Name& name)
{
    std::string text;
    for (const std::string& label : name) {
        for (const char c : label) {
            const auto byte = uint8_t(c);
            if (c == '.' || c == '\\') {
                text += '\\';
                text += c;
            } else if (byte < ' ' || byte == 0x7F) {
                const char digits[] = {'\\', char('0' + byte / 100), char('0' + byte / 10 % 10), char('0' + byte % 10)};
                text.append(digits, sizeof digits);
            } else {
                text += c;
            }
        }
        text += '.';
    }
    return text.empty() ? "." : text;
}

bool Record::sameData(const Record& other) const
{
    if (type != other.type || klass != other.klass) return false;
    switch (type) {
    case kTypeA:
        return address == other.address;
    case kTypeSrv:
        return priority == other.priority && weight == other.weight && port == other.port &&
               sameName(target, other.target);
    case kTypePtr:
        return sameName(target, other.target);
    default:
        return data == other.data;
    }
}

bool parseMessage(const uint8_t* data, size_t size, Message& message)
{
    message = Message();
    if (!data || size < kHeaderSize) return false;
    Reader in(data, size);
    uint16_t questions, answers, authorities, additionals;
    in.u16(message.id);
    in.u16(message.flags);
    in.u16(questions);
    in.u16(answers);
    in.u16(authorities);
    in.u16(additionals);
    for (uint16_t i = 0; i < questions; ++i) {
        if (!in.has(5))  // a root name, type and class
            return false;
        message.questions.emplace_back();
        if (!readQuestion(in, message.questions.back())) return false;
    }
    return readRecords(in, answers, message.answers) && readRecords(in, authorities, message.authorities) &&
           readRecords(in, additionals, message.additionals);
}

std::vector<uint8_t> buildMessage(const Message& message)
{
    Writer out;
    out.u16(message.id);
    out.u16(message.flags);
    out.u16(uint16_t(message.questions.size()));
    out.u16(uint16_t(message.answers.size()));
    out.u16(uint16_t(message.authorities.size()));
    out.u16(uint16_t(message.additionals.size()));
    for (const Question& q : message.questions) out.question(q);
    for (const Record& r : message.answers) out.record(r);
    for (const Record& r : message.authorities) out.record(r);
    for (const Record& r : message.additionals) out.record(r);
    return std::move(out.bytes);
}

}  // namespace dnssd
