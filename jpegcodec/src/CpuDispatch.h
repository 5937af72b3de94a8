// Per-record table of kernels chosen by processor class, so that the inner
// loops make one indirect call per block and never test the processor.
#ifndef JPEGCODEC_CPU_DISPATCH_H
#define JPEGCODEC_CPU_DISPATCH_H

#include "jpegcodec.h"

using EndKernelsFn = void (*)();
using BlockTransformFn = void (*)(int16_t* block);
using OutputOpenFn = void (*)(EntropyIo* io, uint8_t* buffer, int32_t capacity);
using OutputWriteFn = JPEG_STATUS (*)(const uint8_t* data, int32_t length, EntropyIo* io);
using McuConverterFn = void (*)(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow);
using EncodeGreyFn = void (*)(const uint8_t* source, int32_t stride, int16_t* block);
using Encode3Fn = void (*)(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr);
using Encode4Fn = void (*)(const uint8_t* source, int32_t stride, int16_t* y, int16_t* cb, int16_t* cr, int16_t* k);
// Decoder output kernels write `count` pixels of one bitmap row from sample
// lines; the 11 forms take chroma at full width, the 21 and 22 forms take
// chroma at half width (the scan decoder picks the chroma row of 22).
using DecodeGreyFn = void (*)(const uint8_t* samples, uint8_t* destination, int32_t count);
using Decode3Fn = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* destination, int32_t count);
// The 22 forms of the three-byte kernels write two bitmap rows from the two
// luma lines that share one half-width chroma line.
using Decode3PairFn = void (*)(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                               uint8_t* destinationTop, uint8_t* destinationBottom, int32_t count);
using Decode4Fn = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k,
                           uint8_t* destination, int32_t count);
using HuffmanEncodeBlockFn = JPEG_STATUS (*)(EntropyIo* io, const HuffEncodeTable* dcTable,
                                             const HuffEncodeTable* acTable, int32_t* lastDc, const int16_t* block);
using HuffmanDecodeBlockFn = JPEG_STATUS (*)(EntropyIo* io, const HuffDecodeTable* dcTable,
                                             const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t* block);
using QuantizeFn = void (*)(int16_t* block, const uint16_t* table);
using DequantizeFn = void (*)(int16_t* block, const int32_t* table);
// Narrows a transformed 8x8 block (samples 0..255) to bytes, rows `stride` apart.
using StoreSamplesFn = void (*)(const int16_t* block, uint8_t* destination, int32_t stride);
using RegistryEntryFn = void (*)();

// 70 slots in this order: 0-5 data, 6-69 kernels.
struct CpuDispatchTable {
    int32_t lastSosLength;  // SOS segment length + 2, subtracted when handing the input back
    void* reserved;
    void* advapi32Module;
    RegistryEntryFn regOpenKey;
    RegistryEntryFn regQueryValue;
    RegistryEntryFn regCloseKey;

    EndKernelsFn endKernels;
    BlockTransformFn forwardDctFast;
    BlockTransformFn forwardDctAccurate;
    BlockTransformFn inverseDctFast;
    BlockTransformFn inverseDctFastHalf;
    BlockTransformFn inverseDctFastQuarter;
    BlockTransformFn inverseDctFastEighth;
    BlockTransformFn inverseDctAccurate;
    BlockTransformFn inverseDctAccurateHalf;
    BlockTransformFn inverseDctAccurateQuarter;
    BlockTransformFn inverseDctAccurateEighth;
    BlockTransformFn activeForwardDct;
    BlockTransformFn activeInverseDct;
    BlockTransformFn activeInverseDctHalf;
    BlockTransformFn activeInverseDctQuarter;
    BlockTransformFn activeInverseDctEighth;
    OutputOpenFn outputOpen;
    OutputWriteFn outputWrite;
    McuConverterFn ccEncodeMcu;
    EncodeGreyFn encodeGrey;
    Encode3Fn encodeRgb11;
    Encode3Fn encodeRgb21;
    Encode3Fn encodeRgb22;
    Encode3Fn encodeBgr11;
    Encode3Fn encodeBgr21;
    Encode3Fn encodeBgr22;
    Encode3Fn encodePlain3x11;
    Encode3Fn encodePlain3x21;
    Encode3Fn encodePlain3x22;
    Encode3Fn encodePackedYcc21;
    Encode4Fn encodeCmyk11;
    Encode4Fn encodeCmyk21;
    Encode4Fn encodeCmyk22;
    Encode4Fn encodePlain4x11;
    McuConverterFn dcDecodeMcu;
    DecodeGreyFn decodeGrey;
    Decode3Fn decodeRgb11;
    Decode3Fn decodeRgb21;
    Decode3PairFn decodeRgb22;
    Decode3Fn decodeBgr11;
    Decode3Fn decodeBgr21;
    Decode3PairFn decodeBgr22;
    Decode3Fn decodeYccToRgbx11;
    Decode3Fn decodeYccToRgbx21;
    Decode3Fn decodeYccToRgbx22;
    Decode3Fn decodePlain3x11;
    Decode3Fn decodePlain3x21;
    Decode3Fn decodePlain3x22;
    Decode3Fn decodePlain3ToCmyk11;
    Decode3Fn decodePackedYcc21;
    Decode4Fn decodeYcckToCmyk11;
    Decode4Fn decodeYcckToCmyk21;
    Decode4Fn decodeYcckToCmyk22;
    Decode4Fn decodePlain4x11;
    HuffmanEncodeBlockFn huffmanEncodeBlock;
    HuffmanDecodeBlockFn huffmanDecodeBlock;
    HuffmanDecodeBlockFn huffmanDecodeDcOnly;
    QuantizeFn quantizeFast;
    QuantizeFn quantizeAccurate;
    QuantizeFn activeQuantize;
    DequantizeFn dequantizeFast;
    DequantizeFn dequantizeAccurate;
    DequantizeFn activeDequantize;
    StoreSamplesFn storeSamples;
};

enum { CPU_DISPATCH_SLOTS = 70 };

// The processor as CPUID leaves 0 and 1 describe it.
struct CpuInfo {
    int32_t brandIndex;
    int32_t processorType;
    int32_t family;
    int32_t model;
    int32_t stepping;
    uint32_t featureFlags;
    char vendor[13];
};

enum : uint32_t {
    CPU_FEATURE_MMX = 1u << 23,
    CPU_FEATURE_SSE = 1u << 25,
    CPU_FEATURE_SSE2 = 1u << 26,
};

// Processor classes: which kernels a processor runs, named by its CPUID family
// and instruction sets. The values are those of the "USECPU" override and of
// the records' class members.
enum : int32_t {
    CPU_CLASS_OTHER = 0,          // any other family, or no CPUID: portable kernels
    CPU_CLASS_FAMILY5 = 1,        // portable kernels
    CPU_CLASS_FAMILY6 = 2,        // portable kernels
    CPU_CLASS_FAMILY5_MMX = 3,    // MMX; the Huffman decoder refills a byte at a time
    CPU_CLASS_FAMILY6_MMX = 4,    // MMX
    CPU_CLASS_FAMILY6_SSE = 5,    // MMX with the SSE integer additions
    CPU_CLASS_FAMILY15_SSE2 = 6,  // SSE2
    CPU_CLASS_COUNT = 7,
};
enum { CPU_NO_OVERRIDE = -1 };

// The processor record, read once per process.
const CpuInfo& processorInfo();
// Fills info from the raw CPUID leaf 0 and 1 registers (highestLeaf 0: no leaf 1).
void decodeCpuid(uint32_t highestLeaf, const uint32_t leaf0[3], const uint32_t leaf1[4], CpuInfo* info);
// The class the processor's family and features give.
int32_t classifyProcessor(const CpuInfo& info);
// The class used: an override of 0..6 wins unless the processor lacks the
// instruction sets of that class, then the processor's own class is kept.
int32_t resolveCpuClass(const CpuInfo& info, int32_t override);

int bindKernels(CpuDispatchTable* table);
void unbindKernels(CpuDispatchTable* table);
int32_t detectCpuClass(CpuDispatchTable* table);
int32_t readCpuOverride(CpuDispatchTable* table);
void fillDispatchTable(CpuDispatchTable* table, int32_t cpuClass);

// Process-wide byte routines through which the codec copies and clears.
void byteCopy(void* destination, const void* source, int32_t count);
int byteFill(void* destination, int32_t count);

#endif
