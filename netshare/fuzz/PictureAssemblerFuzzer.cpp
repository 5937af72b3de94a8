// A sequence of multicast datagrams: a two-byte big-endian length before
// each. Picture and meta buffers are just large enough for small pictures,
// so refusals and every chunk rule get exercised.
#include "telvane/Multicast.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> picture(16 * 1024);
    std::vector<uint8_t> meta(64);
    Telvane::PictureAssembler assembler(picture.data(), uint32_t(picture.size()), meta.data(), uint32_t(meta.size()));
    while (size >= 2) {
        size_t length = size_t(data[0] << 8 | data[1]) % (Telvane::kMaxDatagram + 1);
        data += 2, size -= 2;
        if (length > size) length = size;
        // A copy of exactly the datagram's size lets the sanitizer catch any
        // read past it.
        const std::vector<uint8_t> datagram(data, data + length);
        if (assembler.take(datagram.data(), datagram.size()) == Telvane::PictureAssembler::Result::Complete &&
            (assembler.pictureLength() > picture.size() || assembler.metaLength() > meta.size()))
            __builtin_trap();
        data += length, size -= length;
    }
    return 0;
}
