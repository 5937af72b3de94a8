// The setters of the dispatch table: one kernel per slot for a processor class.
#include "cpu_dispatch.h"
#include "enc_dispatch.h"
#include "entropy_input.h"
#include "inverse_dct.h"
#include "pixel_writers.h"
#include "simd_kernels.h"

#if defined(__i386__) || defined(__x86_64__)
#include <mmintrin.h>
#endif

namespace {
void endPortableKernels() {}

// Leaves the floating-point unit usable for the caller after MMX kernels.
#if defined(__i386__) || defined(__x86_64__)
__attribute__((target("mmx"))) void clearMmxState() { _mm_empty(); }
#else
void clearMmxState() {}
#endif
}  // namespace

void fillDispatchTable(CpuDispatchTable* table, int32_t cpuClass) {
  table->endKernels = cpuClass >= 3 ? clearMmxState : endPortableKernels;
  table->inverseDctFast = inverseDctFast;
  table->inverseDctFastHalf = inverseDctFastHalf;
  table->inverseDctFastQuarter = inverseDctFastQuarter;
  table->inverseDctFastEighth = inverseDctFastEighth;
  table->inverseDctAccurate = inverseDctAccurate;
  table->inverseDctAccurateHalf = inverseDctAccurateHalf;
  table->inverseDctAccurateQuarter = inverseDctAccurateQuarter;
  table->inverseDctAccurateEighth = inverseDctAccurateEighth;
  installPortableDecodeKernels(table);
  table->huffmanDecodeBlock = huffmanDecodeBlock;
  table->huffmanDecodeDcOnly = huffmanDecodeDcOnly;
  table->dequantizeFast = dequantizeFast;
  table->dequantizeAccurate = dequantizeAccurate;
  table->activeDequantize = dequantizeFast;
  table->storeSamples = storeSamples;
  installPortableEncoderKernels(table);
  installVectorKernels(table, cpuClass);
  installVectorHuffmanKernels(table, cpuClass);
}
