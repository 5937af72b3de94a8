#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec_fixtures.h"
#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
constexpr uint32_t kMmx = CPU_FEATURE_MMX, kSse = CPU_FEATURE_SSE, kSse2 = CPU_FEATURE_SSE2;

// Leaf 1 EAX with the given family in bits 8-11 (and junk in the extended bits).
uint32_t signature(uint32_t family) { return 0x0FF00000u | 0x3000u | (family << 8) | 0xA5u; }

CpuInfo processor(uint32_t family, uint32_t features, uint32_t highestLeaf = 1) {
  const uint32_t leaf0[3] = {0x756E6547, 0x49656E69, 0x6C65746E};  // "GenuineIntel"
  const uint32_t leaf1[4] = {signature(family), 0x00010807, 0, features};
  CpuInfo info;
  decodeCpuid(highestLeaf, leaf0, leaf1, &info);
  return info;
}

TEST(CpuClass, DecodesTheCpuidFields) {
  const CpuInfo info = processor(6, kMmx | kSse);
  EXPECT_STREQ("GenuineIntel", info.vendor);
  EXPECT_EQ(6, info.family);
  EXPECT_EQ(0xA, info.model);
  EXPECT_EQ(5, info.stepping);
  EXPECT_EQ(3, info.processorType);
  EXPECT_EQ(7, info.brandIndex);
  EXPECT_EQ(kMmx | kSse, info.featureFlags);
  const CpuInfo leafZeroOnly = processor(6, kMmx, 0);
  EXPECT_EQ(0, leafZeroOnly.family);
  EXPECT_EQ(0u, leafZeroOnly.featureFlags);
}

TEST(CpuClass, FamilyAndFeaturesGiveTheClass) {
  struct Row {
    uint32_t family, features;
    int32_t expected;
  } rows[] = {
      {4, kMmx | kSse | kSse2, 0}, {5, 0, 1},           {5, kMmx, 3},         {6, 0, 2},
      {6, kSse, 2},                {6, kMmx, 4},        {6, kMmx | kSse, 5},  {6, kMmx | kSse | kSse2, 5},
      {15, kMmx | kSse, 0},        {15, kMmx | kSse | kSse2, 6}, {7, kMmx | kSse | kSse2, 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.expected, classifyProcessor(processor(row.family, row.features)))
        << "family " << row.family << " features " << std::hex << row.features;
}

TEST(CpuClass, OverrideIsCappedToWhatTheProcessorCanRun) {
  struct Row {
    uint32_t family, features;
    int32_t override, expected;
  } rows[] = {
      {15, kMmx | kSse | kSse2, 0, 0}, {15, kMmx | kSse | kSse2, 4, 4}, {6, kMmx | kSse, 2, 2},
      {6, kMmx, 6, 4},                 {6, kMmx, 5, 4},                 {6, kMmx | kSse, 6, 5},
      {5, 0, 3, 1},                    {6, kMmx | kSse, 7, 5},          {6, kMmx | kSse, -1, 5},
      {6, kMmx | kSse | kSse2, 6, 6},  {4, 0, 2, 2},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.expected, resolveCpuClass(processor(row.family, row.features), row.override))
        << "family " << row.family << " override " << row.override;
}

TEST(CpuClass, PortableClassesFillTheTableIdentically) {
  CpuDispatchTable tables[3] = {};
  for (int cpuClass = 0; cpuClass < 3; ++cpuClass) fillDispatchTable(&tables[cpuClass], cpuClass);
  EXPECT_EQ(0, std::memcmp(&tables[0], &tables[1], sizeof(CpuDispatchTable)));
  EXPECT_EQ(0, std::memcmp(&tables[0], &tables[2], sizeof(CpuDispatchTable)));
  static_assert(sizeof(CpuDispatchTable) == CPU_DISPATCH_SLOTS * sizeof(void*), "one pointer-sized slot each");
}

TEST(CpuClass, UnbindWithoutModuleOnlyClearsTheEntryPoints) {
  CpuDispatchTable table = {};
  table.regOpenKey = table.regQueryValue = table.regCloseKey = [] {};
  unbindKernels(&table);
  EXPECT_EQ(nullptr, table.advapi32Module);
  EXPECT_EQ(nullptr, table.regOpenKey);
  EXPECT_EQ(nullptr, table.regQueryValue);
  EXPECT_EQ(nullptr, table.regCloseKey);
  unbindKernels(nullptr);
}

class CpuOverride {
 public:
  explicit CpuOverride(int32_t value) { fixtures::setUseCpu(value); }
  ~CpuOverride() { fixtures::clearUseCpu(); }
};

int32_t classOfNewRecord() {
  JPEG_PROPERTIES props;
  EXPECT_EQ(JPEG_SUCCESS, jpegInit(&props));
  const int32_t cpuClass = jpegtest::cpuClass(&props);
  EXPECT_EQ(cpuClass, props.state.io.cpuClass);
  jpegFree(&props);
  return cpuClass;
}

TEST(CpuClass, UseCpuSelectsEveryClassTheProcessorCanRun) {
  const CpuInfo& info = processorInfo();
  const int32_t detected = classifyProcessor(info);
  EXPECT_EQ(detected, classOfNewRecord());
  for (int32_t forced = 0; forced < CPU_CLASS_COUNT; ++forced) {
    CpuOverride override(forced);
    EXPECT_EQ(resolveCpuClass(info, forced), classOfNewRecord()) << "USECPU " << forced;
  }
  for (int32_t ignored : {7, -1, 1000}) {
    CpuOverride override(ignored);
    EXPECT_EQ(detected, classOfNewRecord()) << "USECPU " << ignored;
  }
}

TEST(CpuClass, MmxClassesEndWithTheirOwnHook) {
  CpuDispatchTable portable = {}, mmx = {};
  fillDispatchTable(&portable, 0);
  fillDispatchTable(&mmx, 3);
  EXPECT_NE(portable.endKernels, mmx.endKernels);
  mmx.endKernels();
}

// The 64-bit vector registers are the floating-point unit's: without EMMS
// on the way out, the caller's x87 arithmetic after a write or a read at
// the MMX classes would see a full register stack and yield NaN.
TEST(CpuClass, CallerFloatingPointWorksAfterAWriteAndAReadAtTheMmxClasses) {
  std::vector<uint8_t> pixels(32 * 16 * 3), jpeg(8192);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 29);
  for (int32_t cpuClass : {3, 4}) {
    CpuOverride override(cpuClass);
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.bitmapPixels = pixels.data();
    props.bitmapWidth = props.jpegWidth = 32;
    props.bitmapHeight = props.jpegHeight = 16;
    props.jpegBuffer = jpeg.data();
    props.jpegBufferSize = static_cast<int32_t>(jpeg.size());
    for (bool writing : {true, false}) {
      ASSERT_EQ(JPEG_SUCCESS, writing ? jpegWrite(&props, EncodeToMemory) : jpegRead(&props, DecodeFromMemory));
      volatile long double x = 1.5L;
      EXPECT_EQ(4.5L, x * 3) << "class " << cpuClass << (writing ? " write" : " read");
    }
    jpegFree(&props);
  }
}
}  // namespace
