// Any bytes, with any feature word, parse into a status cache or are refused.
#include <stddef.h>
#include <stdint.h>

#include <cstring>

#include "StatusBlock.h"
#include "kvqdoccam.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const unsigned long feature = (data[0] & 1) ? 0x1000 : 0;
    DocCamStatus status;
    std::memset(&status, 0, sizeof status);
    const bool parsed = devicelib::ParseStatusBlock(status, data + 1, size - 1, feature);
    if (parsed != (size - 1 >= 36 + ((data[0] & 1) ? 1u : 0u))) __builtin_trap();
    if (status.exposureMode > 3 || status.rotate > 3 || status.effect > 3) __builtin_trap();
    return 0;
}
