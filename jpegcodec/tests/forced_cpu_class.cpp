// Lets ctest run a whole codec test program with the processor class forced
// ("JPEGCODEC_USECPU" in the environment becomes the "USECPU" value), so the
// decoder and encoder corpora pass through the kernels of every class.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codec_fixtures.h"

namespace {
class ForcedCpuClass : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* forced = std::getenv("JPEGCODEC_USECPU")) fixtures::setUseCpu(std::atoi(forced));
  }
  void TearDown() override {
    if (std::getenv("JPEGCODEC_USECPU")) fixtures::clearUseCpu();
  }
};
const auto* const forcedCpuClass = ::testing::AddGlobalTestEnvironment(new ForcedCpuClass);
}  // namespace
