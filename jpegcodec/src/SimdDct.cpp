// Vector bodies of the forward and inverse 8x8 transforms. They approximate
// the standard DCT as the portable kernels do but round differently: the
// fast pair keeps every intermediate in 16 bits with truncating high
// products; the accurate pair runs one pass as lane-parallel tangent
// rotations and the other as multiply-adds against per-row tables, and its
// 64-bit and 128-bit bodies agree bit for bit.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include "SimdTransformPasses.h"

#define MMX_BODY __attribute__((target("mmx")))

using namespace transformpasses;

MMX_BODY void forwardDctFastMmx(int16_t* block)
{
    Block64 b = transposed(loadBlock(block));
    columnsOf<fastForward64>(&b);
    b = transposed(b);
    columnsOf<fastForward64>(&b);
    storeBlock(b, block);
}

MMX_BODY void inverseDctFastMmx(int16_t* block)
{
    Block64 b = loadBlock(block);
    columnsOf<fastInverse64>(&b);
    b = transposed(b);
    columnsOf<fastInverse64>(&b);
    fastOutputStage(&b);
    storeBlock(transposed(b), block);
}

MMX_BODY void forwardDctAccurateMmx(int16_t* block) { forwardDctAccurate64<false>(block); }
MMX_BODY void inverseDctAccurateMmx(int16_t* block) { inverseDctAccurate64<false>(block); }

#endif
