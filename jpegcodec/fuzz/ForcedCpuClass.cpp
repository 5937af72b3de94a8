// Lets the smoke runs fuzz with the processor class forced
// ("JPEGCODEC_USECPU" in the environment plays the "USECPU" value).
#include <cstdlib>

#include "jpegcodec_testing.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const char* forced = std::getenv("JPEGCODEC_USECPU")) setCpuOverrideForTesting(std::atoi(forced));
    return 0;
}
