// The vector classes' part of the dispatch table. Slots without a vector
// body keep the portable kernel, which gives the same results.
#include "simd_kernels.h"

#include "cpu_dispatch.h"

void installVectorKernels(CpuDispatchTable* t, int32_t cpuClass) {
#ifdef JPEGCODEC_HAS_X86_KERNELS
  if (cpuClass < 3) return;
  t->quantizeFast = quantizeFastMmx;
  t->activeQuantize = quantizeFastMmx;
  t->quantizeAccurate = cpuClass == 6 ? quantizeAccurateSse2 : cpuClass == 5 ? quantizeAccurateSse : quantizeAccurateMmx;
  t->dequantizeAccurate = cpuClass == 6 ? dequantizeAccurateSse2 : dequantizeAccurateMmx;
  t->storeSamples = cpuClass == 6 ? storeSamplesSse2 : storeSamplesMmx;
  t->encodeGrey = encodeGreyMmx;
  t->encodeRgb11 = encodeRgb11Mmx;
  t->encodeRgb21 = encodeRgb21Mmx;
  t->encodeRgb22 = encodeRgb22Mmx;
  t->encodeBgr11 = encodeBgr11Mmx;
  t->encodeBgr21 = encodeBgr21Mmx;
  t->encodeBgr22 = encodeBgr22Mmx;
  t->encodeCmyk11 = encodeCmyk11Mmx;
  t->encodeCmyk21 = encodeCmyk21Mmx;
  t->encodeCmyk22 = encodeCmyk22Mmx;
  installVectorTransforms(t, cpuClass);
  installVectorColourOutput(t, cpuClass);
  t->outputWrite = outputWriteMmx;
#else
  (void)t;
  (void)cpuClass;
#endif
}

void installVectorHuffmanKernels(CpuDispatchTable* t, int32_t cpuClass) {
  if (cpuClass < 3) return;
#ifdef JPEGCODEC_HAS_X86_KERNELS
  t->huffmanEncodeBlock = cpuClass == 6   ? huffmanEncodeBlockTwoPhaseSse2
                          : cpuClass == 5 ? huffmanEncodeBlockTwoPhaseSse
                                          : huffmanEncodeBlockTwoPhase;
#endif
  t->huffmanDecodeBlock = cpuClass == 3   ? huffmanDecodeBlockByteRefill
                          : cpuClass == 6 ? huffmanDecodeBlockWordRefillSse2
                                          : huffmanDecodeBlockWordRefill;
  t->huffmanDecodeDcOnly = huffmanDecodeDcOnlyWordRefill;
}
