#include "telvane/Object.h"

#include "telvane/ByteOrder.h"
#include "telvane/TypeRegistry.h"

#include <cstdlib>
#include <cstring>

namespace Telvane {

void Encoder::writeU8(uint8_t value) { write(&value, 1); }

void Encoder::writeU16(uint16_t value)
{
    uint8_t wire[2];
    storeBigEndian16(wire, value);
    write(wire, sizeof wire);
}

void Encoder::writeU32(uint32_t value)
{
    uint8_t wire[4];
    storeBigEndian32(wire, value);
    write(wire, sizeof wire);
}

void Encoder::writeFloat(float value) { writeU32(floatBits(value)); }

void Encoder::writeString(const std::string& s)
{
    const uint16_t length = s.size() > 0xFFFF ? 0xFFFF : uint16_t(s.size());
    writeU16(length);
    write(s.data(), length);
}

void Encoder::writeObject(const Object& object)
{
    writeString(object.typeName());
    object.encode(*this);
}

uint8_t Decoder::readU8()
{
    uint8_t value = 0;
    read(&value, 1);
    return value;
}

uint16_t Decoder::readU16()
{
    uint8_t wire[2] = {};
    read(wire, sizeof wire);
    return loadBigEndian16(wire);
}

uint32_t Decoder::readU32()
{
    uint8_t wire[4] = {};
    read(wire, sizeof wire);
    return loadBigEndian32(wire);
}

float Decoder::readFloat() { return floatFromBits(readU32()); }

std::string Decoder::readString()
{
    const uint16_t length = readU16();
    if (failed() || length > remaining()) {
        fail();
        return std::string();
    }
    std::string s(length, '\0');
    read(&s[0], length);
    return s;
}

Object* Decoder::readObject()
{
    const std::string name = readString();
    if (failed() || depth_ >= kMaxNesting) {
        fail();
        return nullptr;
    }
    Object* object = TypeRegistry::create(name);
    if (!object) return nullptr;
    ++depth_;
    object->decode(*this);
    --depth_;
    if (failed()) {
        delete object;
        return nullptr;
    }
    return object;
}

uint8_t* Decoder::readBytes(uint32_t count)
{
    if (count == 0) return nullptr;
    if (count > remaining()) {
        fail();
        return nullptr;
    }
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(count));
    if (!bytes) {
        fail();
        return nullptr;
    }
    read(bytes, count);
    return bytes;
}

namespace {
constexpr uint32_t kInitialCapacity = 128;
}

BinaryEncoder::BinaryEncoder(const Object& object)
{
    buffer_ = static_cast<uint8_t*>(std::malloc(kInitialCapacity));
    if (buffer_)
        capacity_ = kInitialCapacity;
    else
        failed_ = true;
    writeObject(object);
}

BinaryEncoder::~BinaryEncoder() { std::free(buffer_); }

void BinaryEncoder::write(const void* data, uint32_t count)
{
    if (failed_) return;
    if (count > UINT32_MAX - used_) {
        failed_ = true;
        return;
    }
    const uint32_t needed = used_ + count;
    if (needed > capacity_) {
        // Doubling keeps encoding a large picture linear in its size.
        uint64_t grown = capacity_;
        while (grown < needed) grown *= 2;
        if (grown > UINT32_MAX) grown = needed;
        void* bigger = std::realloc(buffer_, size_t(grown));
        if (!bigger) {
            failed_ = true;
            return;
        }
        buffer_ = static_cast<uint8_t*>(bigger);
        capacity_ = uint32_t(grown);
    }
    if (count > 0) std::memcpy(buffer_ + used_, data, count);
    used_ = needed;
}

BinaryDecoder::BinaryDecoder(const void* data, uint32_t length)
    : start_(static_cast<const uint8_t*>(data)), cursor_(start_), length_(data ? length : 0)
{
}

bool BinaryDecoder::read(void* destination, uint32_t count)
{
    if (failed() || count > remaining()) {
        fail();
        return false;
    }
    if (count > 0) std::memcpy(destination, cursor_, count);
    cursor_ += count;
    return true;
}

}  // namespace Telvane
