#include "enc_dispatch.h"

#include "enc_color.h"
#include "enc_fdct.h"
#include "enc_output.h"

void installPortableEncoderKernels(CpuDispatchTable* table) {
  table->forwardDctFast = forwardDctFast;
  table->forwardDctAccurate = forwardDctAccurate;
  table->activeForwardDct = nullptr;
  table->outputOpen = outputOpen;
  table->outputWrite = outputWrite;
  table->ccEncodeMcu = nullptr;
  installPortableEncodeKernels(table);
  table->huffmanEncodeBlock = huffmanEncodeBlock;
  table->quantizeFast = quantizeFast;
  table->quantizeAccurate = quantizeAccurate;
  table->activeQuantize = quantizeFast;
}
