// Any frame a viewer sends goes through decodeMessage on the sharing
// console; whatever comes out is encoded again to touch every field.
#include "telvane/Commands.h"
#include "telvane/TypeRegistry.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Telvane::registerTypes();
    std::unique_ptr<Telvane::Object> object(Telvane::decodeMessage(data, uint32_t(size)));
    if (object) {
        Telvane::BinaryEncoder again(*object);
        (void)again.size();
    }
    return 0;
}
