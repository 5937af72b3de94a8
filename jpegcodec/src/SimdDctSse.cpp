// The class-5 bodies of the accurate transforms: the 64-bit bodies'
// values, with the row passes' lane moves done by word shuffles.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include "SimdTransformPasses.h"

#define SSE_BODY __attribute__((target("sse")))

using namespace transformpasses;

SSE_BODY void forwardDctAccurateSse(int16_t* block) { forwardDctAccurate64<true>(block); }
SSE_BODY void inverseDctAccurateSse(int16_t* block) { inverseDctAccurate64<true>(block); }
#endif
