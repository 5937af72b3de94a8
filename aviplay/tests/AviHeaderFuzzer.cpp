// Any bytes as the head of an AVI file: the checks must finish without
// reading outside the data.
#include <cstddef>
#include <cstdint>

#include "AviFileChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kvq::StreamTimingIsUsable(data, size);
    return 0;
}
