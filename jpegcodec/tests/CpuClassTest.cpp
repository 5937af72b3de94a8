#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "CodecFixtures.h"
#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
constexpr uint32_t kMmx = CPU_FEATURE_MMX, kSse = CPU_FEATURE_SSE, kSse2 = CPU_FEATURE_SSE2;

// Leaf 1 EAX with the given family in bits 8-11 (and junk in the extended bits).
uint32_t signature(uint32_t family) { return 0x0FF00000u | 0x3000u | (family << 8) | 0xA5u; }

CpuInfo processor(uint32_t family, uint32_t features, uint32_t highestLeaf = 1)
{
    const uint32_t leaf0[3] = {0x756E6547, 0x49656E69, 0x6C65746E};  // "GenuineIntel"
    const uint32_t leaf1[4] = {signature(family), 0x00010807, 0, features};
    CpuInfo info;
    decodeCpuid(highestLeaf, leaf0, leaf1, &info);
    return info;
}

TEST(CpuClass, DecodesTheCpuidFields)
{
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

TEST(CpuClass, FamilyAndFeaturesGiveTheClass)
{
    struct Row {
        uint32_t family, features;
        int32_t expected;
    } rows[] = {
        {4, kMmx | kSse | kSse2, CPU_CLASS_OTHER},
        {5, 0, CPU_CLASS_FAMILY5},
        {5, kMmx, CPU_CLASS_FAMILY5_MMX},
        {6, 0, CPU_CLASS_FAMILY6},
        {6, kSse, CPU_CLASS_FAMILY6},
        {6, kMmx, CPU_CLASS_FAMILY6_MMX},
        {6, kMmx | kSse, CPU_CLASS_FAMILY6_SSE},
        {6, kMmx | kSse | kSse2, CPU_CLASS_FAMILY6_SSE},
        {15, kMmx | kSse, CPU_CLASS_OTHER},
        {15, kMmx | kSse | kSse2, CPU_CLASS_FAMILY15_SSE2},
        {7, kMmx | kSse | kSse2, CPU_CLASS_OTHER},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, classifyProcessor(processor(row.family, row.features)))
            << "family " << row.family << " features " << std::hex << row.features;
}

TEST(CpuClass, OverrideIsCappedToWhatTheProcessorCanRun)
{
    struct Row {
        uint32_t family, features;
        int32_t override, expected;
    } rows[] = {
        {15, kMmx | kSse | kSse2, CPU_CLASS_OTHER, CPU_CLASS_OTHER},
        {15, kMmx | kSse | kSse2, CPU_CLASS_FAMILY6_MMX, CPU_CLASS_FAMILY6_MMX},
        {6, kMmx | kSse, CPU_CLASS_FAMILY6, CPU_CLASS_FAMILY6},
        {6, kMmx, CPU_CLASS_FAMILY15_SSE2, CPU_CLASS_FAMILY6_MMX},
        {6, kMmx, CPU_CLASS_FAMILY6_SSE, CPU_CLASS_FAMILY6_MMX},
        {6, kMmx | kSse, CPU_CLASS_FAMILY15_SSE2, CPU_CLASS_FAMILY6_SSE},
        {5, 0, CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY5},
        {6, kMmx | kSse, 7, CPU_CLASS_FAMILY6_SSE},
        {6, kMmx | kSse, -1, CPU_CLASS_FAMILY6_SSE},
        {6, kMmx | kSse | kSse2, CPU_CLASS_FAMILY15_SSE2, CPU_CLASS_FAMILY15_SSE2},
        {4, 0, CPU_CLASS_FAMILY6, CPU_CLASS_FAMILY6},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, resolveCpuClass(processor(row.family, row.features), row.override))
            << "family " << row.family << " override " << row.override;
}

// Which classes run one body in each kernel slot: a letter per class 0-6,
// the same letter for the same body, '-' for a slot the encoder or decoder
// fills per image. A slot may also take the body of another slot.
struct SlotSharing {
    const char* name;
    size_t offset;
    const char* classes;
    size_t sameAs;  // another slot's offset, or 0
};
#define SLOT(member) #member, offsetof(CpuDispatchTable, member)
const SlotSharing kSlotSharing[] = {
    {SLOT(endKernels), "aaabbbb", 0},
    {SLOT(forwardDctFast), "aaabbbb", 0},
    {SLOT(forwardDctAccurate), "aaabbcd", 0},
    {SLOT(inverseDctFast), "aaabbbb", 0},
    {SLOT(inverseDctFastHalf), "aaaaaaa", 0},
    {SLOT(inverseDctFastQuarter), "aaaaaaa", 0},
    {SLOT(inverseDctFastEighth), "aaaaaaa", 0},
    {SLOT(inverseDctAccurate), "aaabbcd", 0},
    {SLOT(inverseDctAccurateHalf), "aaaaaaa", 0},
    {SLOT(inverseDctAccurateQuarter), "aaaaaaa", 0},
    {SLOT(inverseDctAccurateEighth), "aaaaaaa", 0},
    {SLOT(activeForwardDct), "-------", 0},
    {SLOT(activeInverseDct), "-------", 0},
    {SLOT(activeInverseDctHalf), "-------", 0},
    {SLOT(activeInverseDctQuarter), "-------", 0},
    {SLOT(activeInverseDctEighth), "-------", 0},
    {SLOT(outputOpen), "aaaaaaa", 0},
    {SLOT(outputWrite), "aaabbbb", 0},
    {SLOT(ccEncodeMcu), "-------", 0},
    {SLOT(encodeGrey), "aaabbbb", 0},
    {SLOT(encodeRgb11), "aaabbbb", 0},
    {SLOT(encodeRgb21), "aaabbbb", 0},
    {SLOT(encodeRgb22), "aaabbbb", 0},
    {SLOT(encodeBgr11), "aaabbbb", 0},
    {SLOT(encodeBgr21), "aaabbbb", 0},
    {SLOT(encodeBgr22), "aaabbbb", 0},
    {SLOT(encodePlain3x11), "aaaaaaa", 0},
    {SLOT(encodePlain3x21), "aaaaaaa", 0},
    {SLOT(encodePlain3x22), "aaaaaaa", 0},
    {SLOT(encodePackedYcc21), "aaabbcc", 0},
    {SLOT(encodeCmyk11), "aaabbbb", 0},
    {SLOT(encodeCmyk21), "aaabbbb", 0},
    {SLOT(encodeCmyk22), "aaabbbb", 0},
    {SLOT(encodePlain4x11), "aaaaaaa", 0},
    {SLOT(dcDecodeMcu), "-------", 0},
    {SLOT(decodeGrey), "aaabbbb", 0},
    {SLOT(decodeRgb11), "aaabbbb", 0},
    {SLOT(decodeRgb21), "aaabbcc", 0},
    {SLOT(decodeRgb22), "aaabbbc", 0},
    {SLOT(decodeBgr11), "aaabbbb", 0},
    {SLOT(decodeBgr21), "aaabbcc", 0},
    {SLOT(decodeBgr22), "aaabbbc", 0},
    {SLOT(decodeYccToRgbx11), "aaabbbb", 0},
    {SLOT(decodeYccToRgbx21), "aaabbbb", 0},
    {SLOT(decodeYccToRgbx22), "aaabbbb", offsetof(CpuDispatchTable, decodeYccToRgbx21)},
    {SLOT(decodePlain3x11), "aaaaaaa", 0},
    {SLOT(decodePlain3x21), "aaaaaaa", 0},
    {SLOT(decodePlain3x22), "aaaaaaa", offsetof(CpuDispatchTable, decodePlain3x21)},
    {SLOT(decodePlain3ToCmyk11), "aaaaaaa", 0},
    {SLOT(decodePackedYcc21), "aaabbbb", 0},
    {SLOT(decodeYcckToCmyk11), "aaabbbb", 0},
    {SLOT(decodeYcckToCmyk21), "aaabbbb", 0},
    {SLOT(decodeYcckToCmyk22), "aaabbbb", offsetof(CpuDispatchTable, decodeYcckToCmyk21)},
    {SLOT(decodePlain4x11), "aaaaaaa", 0},
    {SLOT(huffmanEncodeBlock), "aaabbcd", 0},
    {SLOT(huffmanDecodeBlock), "aaabccd", 0},
    {SLOT(huffmanDecodeDcOnly), "aaabbbb", 0},
    {SLOT(quantizeFast), "aaabbbb", 0},
    {SLOT(quantizeAccurate), "aaabbcd", 0},
    {SLOT(activeQuantize), "aaabbbb", offsetof(CpuDispatchTable, quantizeFast)},
    {SLOT(dequantizeFast), "aaaaaaa", 0},
    {SLOT(dequantizeAccurate), "aaabbbc", 0},
    {SLOT(activeDequantize), "aaaaaaa", offsetof(CpuDispatchTable, dequantizeFast)},
    {SLOT(storeSamples), "aaabbbc", 0},
};
#undef SLOT

using SlotValue = void (*)();
SlotValue slotAt(const CpuDispatchTable& table, size_t offset)
{
    SlotValue value;
    std::memcpy(&value, reinterpret_cast<const char*>(&table) + offset, sizeof value);
    return value;
}

// The classes' bodies of one slot as letters: the first distinct body 'a',
// the next 'b', ...; null '-'.
std::string sharingOf(const CpuDispatchTable (&tables)[CPU_CLASS_COUNT], size_t offset)
{
    std::vector<SlotValue> distinct;
    std::string letters;
    for (const CpuDispatchTable& table : tables) {
        const SlotValue body = slotAt(table, offset);
        if (!body) {
            letters += '-';
            continue;
        }
        size_t index = 0;
        while (index < distinct.size() && distinct[index] != body) ++index;
        if (index == distinct.size()) distinct.push_back(body);
        letters += static_cast<char>('a' + index);
    }
    return letters;
}

TEST(CpuClass, EachSlotSharesItsBodiesAmongTheClassesOfOneInstructionSet)
{
    CpuDispatchTable tables[CPU_CLASS_COUNT] = {};
    for (int32_t cpuClass = 0; cpuClass < CPU_CLASS_COUNT; ++cpuClass) fillDispatchTable(&tables[cpuClass], cpuClass);
    std::set<size_t> pinned;
    for (const SlotSharing& slot : kSlotSharing) {
        pinned.insert(slot.offset);
        EXPECT_EQ(slot.classes, sharingOf(tables, slot.offset)) << slot.name;
        if (slot.sameAs == 0) continue;
        for (int32_t cpuClass = 0; cpuClass < CPU_CLASS_COUNT; ++cpuClass)
            EXPECT_EQ(slotAt(tables[cpuClass], slot.sameAs), slotAt(tables[cpuClass], slot.offset))
                << slot.name << ", class " << cpuClass;
    }
    // Every kernel slot is pinned, from endKernels to the last.
    static_assert(sizeof(CpuDispatchTable) == CPU_DISPATCH_SLOTS * sizeof(void*), "one pointer-sized slot each");
    for (size_t offset = offsetof(CpuDispatchTable, endKernels); offset < sizeof(CpuDispatchTable);
         offset += sizeof(void*))
        EXPECT_EQ(1u, pinned.count(offset)) << "slot at byte " << offset;
}

TEST(CpuClass, UnbindWithoutModuleOnlyClearsTheEntryPoints)
{
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

int32_t classOfNewRecord()
{
    JPEG_PROPERTIES props;
    EXPECT_EQ(JPEG_SUCCESS, jpegInit(&props));
    const int32_t cpuClass = jpegtest::cpuClass(&props);
    EXPECT_EQ(cpuClass, props.state.io.cpuClass);
    jpegFree(&props);
    return cpuClass;
}

TEST(CpuClass, UseCpuSelectsEveryClassTheProcessorCanRun)
{
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

TEST(CpuClass, MmxClassesEndWithTheirOwnHook)
{
    CpuDispatchTable portable = {}, mmx = {};
    fillDispatchTable(&portable, CPU_CLASS_OTHER);
    fillDispatchTable(&mmx, CPU_CLASS_FAMILY5_MMX);
    EXPECT_NE(portable.endKernels, mmx.endKernels);
    mmx.endKernels();
}

// The 64-bit vector registers are the floating-point unit's: without EMMS
// on the way out, the caller's x87 arithmetic after a write or a read at
// the MMX classes would see a full register stack and yield NaN.
TEST(CpuClass, CallerFloatingPointWorksAfterAWriteAndAReadAtTheMmxClasses)
{
    std::vector<uint8_t> pixels(32 * 16 * 3), jpeg(8192);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 29);
    for (int32_t cpuClass : {CPU_CLASS_FAMILY5_MMX, CPU_CLASS_FAMILY6_MMX}) {
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
