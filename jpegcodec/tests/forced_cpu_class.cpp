// Lets ctest run a whole codec test program with the processor class forced
// ("JPEGCODEC_USECPU" in the environment plays the "USECPU" value), so the
// decoder and encoder corpora pass through the kernels of every class.
#include <gtest/gtest.h>

#include <cstdlib>

#include "jpegcodec_testing.h"

#ifndef _WIN32
namespace {
class ForcedCpuClass : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* forced = std::getenv("JPEGCODEC_USECPU")) setCpuOverrideForTesting(std::atoi(forced));
  }
};
const auto* const forcedCpuClass = ::testing::AddGlobalTestEnvironment(new ForcedCpuClass);
}  // namespace
#endif
