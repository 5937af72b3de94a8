#ifndef JPEGCODEC_ENC_DISPATCH_H
#define JPEGCODEC_ENC_DISPATCH_H

#include "cpu_dispatch.h"

// Stores the portable encoder kernels (transforms, quantisers, output,
// Huffman block coder, colour input) in the table; the active slots get
// their defaults and are set per image by the encoder.
void installPortableEncoderKernels(CpuDispatchTable* table);

#endif
