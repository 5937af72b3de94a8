#pragma once
// Serialisable objects and the byte streams that carry them: every value on
// the wire is big-endian, every object is its type name followed by its body.
#include <cstdint>
#include <string>

namespace Telvane {

class Encoder;
class Decoder;

class Object {
public:
    virtual ~Object() = default;
    virtual std::string typeName() const = 0;
    virtual void encode(Encoder&) const {}
    virtual void decode(Decoder&) {}
};

class Encoder {
public:
    virtual ~Encoder() = default;
    virtual void write(const void* data, uint32_t count) = 0;

    void writeU8(uint8_t value);
    void writeU16(uint16_t value);
    void writeU32(uint32_t value);
    void writeFloat(float value);
    // Strings carry a 16-bit length; we only ever write short type names.
    void writeString(const std::string& s);
    void writeObject(const Object& object);
};

// Reads never pass the end of what the decoder was given: a short read fails
// the decoder for good, and every object being decoded then counts as not
// received.
class Decoder {
public:
    // Deep enough for a command that carries a shape that carries colours.
    static constexpr int kMaxNesting = 4;

    virtual ~Decoder() = default;
    // Takes the next count bytes; false when fewer remain.
    virtual bool read(void* destination, uint32_t count) = 0;
    virtual uint32_t remaining() const = 0;

    bool failed() const { return failed_; }
    void fail() { failed_ = true; }

    uint8_t readU8();
    uint16_t readU16();
    uint32_t readU32();
    float readFloat();
    std::string readString();
    // A new object owned by the caller; null for an unregistered name, a
    // malformed body or nesting deeper than kMaxNesting.
    Object* readObject();
    // A nested object that must be of class T; anything else fails the decoder.
    template <class T>
    T* readObjectOf();
    // count bytes in a new malloc buffer; null when count is 0 or when the
    // input holds fewer (then the decoder fails and nothing is allocated).
    uint8_t* readBytes(uint32_t count);

private:
    bool failed_ = false;
    int depth_ = 0;
};

template <class T>
T* Decoder::readObjectOf()
{
    Object* object = readObject();
    T* typed = dynamic_cast<T*>(object);
    if (!typed) {
        delete object;
        fail();
    }
    return typed;
}

// Encodes one object into a growable memory buffer.
class BinaryEncoder : public Encoder {
public:
    explicit BinaryEncoder(const Object& object);
    ~BinaryEncoder() override;
    BinaryEncoder(const BinaryEncoder&) = delete;
    BinaryEncoder& operator=(const BinaryEncoder&) = delete;

    void write(const void* data, uint32_t count) override;

    const uint8_t* data() const { return buffer_; }
    uint32_t size() const { return used_; }
    // The buffer could not grow; the encoding is then incomplete.
    bool failed() const { return failed_; }

private:
    uint8_t* buffer_ = nullptr;
    uint32_t used_ = 0;
    uint32_t capacity_ = 0;
    bool failed_ = false;
};

// Reads from bytes it does not own.
class BinaryDecoder : public Decoder {
public:
    BinaryDecoder(const void* data, uint32_t length);

    bool read(void* destination, uint32_t count) override;
    uint32_t remaining() const override { return length_ - uint32_t(cursor_ - start_); }

private:
    const uint8_t* start_;
    const uint8_t* cursor_;
    uint32_t length_;
};

}  // namespace Telvane
