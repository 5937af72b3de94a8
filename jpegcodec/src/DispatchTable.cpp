// The kernels of every processor class, in one table: a row per slot, a
// column per class. Classes 0-2 run the portable kernels; 3 and 4 the MMX
// bodies (3, a family-5 processor, refills the Huffman decoder's bits a
// byte at a time); 5 adds the SSE bodies; 6 the SSE2 bodies. No other code
// chooses a body by class, so each class runs only its own instructions.
#include "CpuDispatch.h"
#include "EncColor.h"
#include "EncFdct.h"
#include "EncOutput.h"
#include "EntropyInput.h"
#include "InverseDct.h"
#include "PixelWriters.h"
#include "SimdKernels.h"

#ifndef JPEGCODEC_HAS_X86_KERNELS
#error "the vector classes' bodies are written for x86 processors"
#endif

#include <mmintrin.h>

namespace {
void endPortableKernels() {}

// Leaves the floating-point unit usable for the caller after MMX kernels.
__attribute__((target("mmx"))) void clearMmxState() { _mm_empty(); }

// The bodies of one slot, by class.
template <class Fn>
struct ClassBodies {
    Fn portable, family5Mmx, family6Mmx, family6Sse, family15Sse2;
};

class SlotFiller {
public:
    explicit SlotFiller(int32_t cpuClass) : cpuClass_(cpuClass) {}
    template <class Fn>
    void operator()(Fn& slot, const ClassBodies<Fn>& bodies) const
    {
        switch (cpuClass_) {
        case CPU_CLASS_FAMILY5_MMX:
            slot = bodies.family5Mmx;
            break;
        case CPU_CLASS_FAMILY6_MMX:
            slot = bodies.family6Mmx;
            break;
        case CPU_CLASS_FAMILY6_SSE:
            slot = bodies.family6Sse;
            break;
        case CPU_CLASS_FAMILY15_SSE2:
            slot = bodies.family15Sse2;
            break;
        default:
            slot = bodies.portable;
            break;
        }
    }

private:
    int32_t cpuClass_;
};
}  // namespace

void fillDispatchTable(CpuDispatchTable* t, int32_t cpuClass)
{
    const SlotFiller put(cpuClass);
    // clang-format off
  //  slot                         classes 0-2               class 3                        class 4                        class 5                        class 6
  put(t->endKernels,              {endPortableKernels,        clearMmxState,                 clearMmxState,                 clearMmxState,                 clearMmxState});
  put(t->forwardDctFast,          {forwardDctFast,            forwardDctFastMmx,             forwardDctFastMmx,             forwardDctFastMmx,             forwardDctFastMmx});
  put(t->forwardDctAccurate,      {forwardDctAccurate,        forwardDctAccurateMmx,         forwardDctAccurateMmx,         forwardDctAccurateSse,         forwardDctAccurateSse2});
  put(t->inverseDctFast,          {inverseDctFast,            inverseDctFastMmx,             inverseDctFastMmx,             inverseDctFastMmx,             inverseDctFastMmx});
  put(t->inverseDctFastHalf,      {inverseDctFastHalf,        inverseDctFastHalf,            inverseDctFastHalf,            inverseDctFastHalf,            inverseDctFastHalf});
  put(t->inverseDctFastQuarter,   {inverseDctFastQuarter,     inverseDctFastQuarter,         inverseDctFastQuarter,         inverseDctFastQuarter,         inverseDctFastQuarter});
  put(t->inverseDctFastEighth,    {inverseDctFastEighth,      inverseDctFastEighth,          inverseDctFastEighth,          inverseDctFastEighth,          inverseDctFastEighth});
  put(t->inverseDctAccurate,      {inverseDctAccurate,        inverseDctAccurateMmx,         inverseDctAccurateMmx,         inverseDctAccurateSse,         inverseDctAccurateSse2});
  put(t->inverseDctAccurateHalf,  {inverseDctAccurateHalf,    inverseDctAccurateHalf,        inverseDctAccurateHalf,        inverseDctAccurateHalf,        inverseDctAccurateHalf});
  put(t->inverseDctAccurateQuarter, {inverseDctAccurateQuarter, inverseDctAccurateQuarter,   inverseDctAccurateQuarter,     inverseDctAccurateQuarter,     inverseDctAccurateQuarter});
  put(t->inverseDctAccurateEighth, {inverseDctAccurateEighth, inverseDctAccurateEighth,      inverseDctAccurateEighth,      inverseDctAccurateEighth,      inverseDctAccurateEighth});
  put(t->outputOpen,              {outputOpen,                outputOpen,                    outputOpen,                    outputOpen,                    outputOpen});
  put(t->outputWrite,             {outputWrite,               outputWriteMmx,                outputWriteMmx,                outputWriteMmx,                outputWriteMmx});
  put(t->encodeGrey,              {encodeGrey,                encodeGreyMmx,                 encodeGreyMmx,                 encodeGreyMmx,                 encodeGreyMmx});
  put(t->encodeRgb11,             {encodeRgb11,               encodeRgb11Mmx,                encodeRgb11Mmx,                encodeRgb11Mmx,                encodeRgb11Mmx});
  put(t->encodeRgb21,             {encodeRgb21,               encodeRgb21Mmx,                encodeRgb21Mmx,                encodeRgb21Mmx,                encodeRgb21Mmx});
  put(t->encodeRgb22,             {encodeRgb22,               encodeRgb22Mmx,                encodeRgb22Mmx,                encodeRgb22Mmx,                encodeRgb22Mmx});
  put(t->encodeBgr11,             {encodeBgr11,               encodeBgr11Mmx,                encodeBgr11Mmx,                encodeBgr11Mmx,                encodeBgr11Mmx});
  put(t->encodeBgr21,             {encodeBgr21,               encodeBgr21Mmx,                encodeBgr21Mmx,                encodeBgr21Mmx,                encodeBgr21Mmx});
  put(t->encodeBgr22,             {encodeBgr22,               encodeBgr22Mmx,                encodeBgr22Mmx,                encodeBgr22Mmx,                encodeBgr22Mmx});
  put(t->encodePlain3x11,         {encodePlain3x11,           encodePlain3x11,               encodePlain3x11,               encodePlain3x11,               encodePlain3x11});
  put(t->encodePlain3x21,         {encodePlain3x21,           encodePlain3x21,               encodePlain3x21,               encodePlain3x21,               encodePlain3x21});
  put(t->encodePlain3x22,         {encodePlain3x22,           encodePlain3x22,               encodePlain3x22,               encodePlain3x22,               encodePlain3x22});
  put(t->encodePackedYcc21,       {encodePackedYcc21,         encodePackedYcc21Mmx,          encodePackedYcc21Mmx,          encodePackedYcc21Sse,          encodePackedYcc21Sse});
  put(t->encodeCmyk11,            {encodeCmyk11,              encodeCmyk11Mmx,               encodeCmyk11Mmx,               encodeCmyk11Mmx,               encodeCmyk11Mmx});
  put(t->encodeCmyk21,            {encodeCmyk21,              encodeCmyk21Mmx,               encodeCmyk21Mmx,               encodeCmyk21Mmx,               encodeCmyk21Mmx});
  put(t->encodeCmyk22,            {encodeCmyk22,              encodeCmyk22Mmx,               encodeCmyk22Mmx,               encodeCmyk22Mmx,               encodeCmyk22Mmx});
  put(t->encodePlain4x11,         {encodePlain4x11,           encodePlain4x11,               encodePlain4x11,               encodePlain4x11,               encodePlain4x11});
  put(t->decodeGrey,              {decodeGrey,                decodeGreyMmx,                 decodeGreyMmx,                 decodeGreyMmx,                 decodeGreyMmx});
  put(t->decodeRgb11,             {decodeRgb11,               decodeRgb11Mmx,                decodeRgb11Mmx,                decodeRgb11Mmx,                decodeRgb11Mmx});
  put(t->decodeRgb21,             {decodeRgb21,               decodeRgb21Mmx,                decodeRgb21Mmx,                decodeRgb21Sse,                decodeRgb21Sse});
  put(t->decodeRgb22,             {decodeRgb22,               decodeRgb22Mmx,                decodeRgb22Mmx,                decodeRgb22Mmx,                decodeRgb22Sse2});
  put(t->decodeBgr11,             {decodeBgr11,               decodeBgr11Mmx,                decodeBgr11Mmx,                decodeBgr11Mmx,                decodeBgr11Mmx});
  put(t->decodeBgr21,             {decodeBgr21,               decodeBgr21Mmx,                decodeBgr21Mmx,                decodeBgr21Sse,                decodeBgr21Sse});
  put(t->decodeBgr22,             {decodeBgr22,               decodeBgr22Mmx,                decodeBgr22Mmx,                decodeBgr22Mmx,                decodeBgr22Sse2});
  put(t->decodeYccToRgbx11,       {decodeYccToRgbx11,         decodeYccToRgbx11Mmx,          decodeYccToRgbx11Mmx,          decodeYccToRgbx11Mmx,          decodeYccToRgbx11Mmx});
  put(t->decodeYccToRgbx21,       {decodeYccToRgbx21,         decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx});
  put(t->decodeYccToRgbx22,       {decodeYccToRgbx21,         decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx,          decodeYccToRgbx21Mmx});
  put(t->decodePlain3x11,         {decodePlain3x11,           decodePlain3x11,               decodePlain3x11,               decodePlain3x11,               decodePlain3x11});
  put(t->decodePlain3x21,         {decodePlain3x21,           decodePlain3x21,               decodePlain3x21,               decodePlain3x21,               decodePlain3x21});
  put(t->decodePlain3x22,         {decodePlain3x21,           decodePlain3x21,               decodePlain3x21,               decodePlain3x21,               decodePlain3x21});
  put(t->decodePlain3ToCmyk11,    {decodePlain3ToCmyk11,      decodePlain3ToCmyk11,          decodePlain3ToCmyk11,          decodePlain3ToCmyk11,          decodePlain3ToCmyk11});
  put(t->decodePackedYcc21,       {decodePackedYcc21,         decodePackedYcc21Mmx,          decodePackedYcc21Mmx,          decodePackedYcc21Mmx,          decodePackedYcc21Mmx});
  put(t->decodeYcckToCmyk11,      {decodeYcckToCmyk11,        decodeYcckToCmyk11Mmx,         decodeYcckToCmyk11Mmx,         decodeYcckToCmyk11Mmx,         decodeYcckToCmyk11Mmx});
  put(t->decodeYcckToCmyk21,      {decodeYcckToCmyk21,        decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx});
  put(t->decodeYcckToCmyk22,      {decodeYcckToCmyk21,        decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx,         decodeYcckToCmyk21Mmx});
  put(t->decodePlain4x11,         {decodePlain4x11,           decodePlain4x11,               decodePlain4x11,               decodePlain4x11,               decodePlain4x11});
  put(t->huffmanEncodeBlock,      {huffmanEncodeBlock,        huffmanEncodeBlockTwoPhase,    huffmanEncodeBlockTwoPhase,    huffmanEncodeBlockTwoPhaseSse, huffmanEncodeBlockTwoPhaseSse2});
  put(t->huffmanDecodeBlock,      {huffmanDecodeBlock,        huffmanDecodeBlockByteRefill,  huffmanDecodeBlockWordRefill,  huffmanDecodeBlockWordRefill,  huffmanDecodeBlockWordRefillSse2});
  put(t->huffmanDecodeDcOnly,     {huffmanDecodeDcOnly,       huffmanDecodeDcOnlyWordRefill, huffmanDecodeDcOnlyWordRefill, huffmanDecodeDcOnlyWordRefill, huffmanDecodeDcOnlyWordRefill});
  put(t->quantizeFast,            {quantizeFast,              quantizeFastMmx,               quantizeFastMmx,               quantizeFastMmx,               quantizeFastMmx});
  put(t->quantizeAccurate,        {quantizeAccurate,          quantizeAccurateMmx,           quantizeAccurateMmx,           quantizeAccurateSse,           quantizeAccurateSse2});
  put(t->activeQuantize,          {quantizeFast,              quantizeFastMmx,               quantizeFastMmx,               quantizeFastMmx,               quantizeFastMmx});
  put(t->dequantizeFast,          {dequantizeFast,            dequantizeFast,                dequantizeFast,                dequantizeFast,                dequantizeFast});
  put(t->dequantizeAccurate,      {dequantizeAccurate,        dequantizeAccurateMmx,         dequantizeAccurateMmx,         dequantizeAccurateMmx,         dequantizeAccurateSse2});
  put(t->activeDequantize,        {dequantizeFast,            dequantizeFast,                dequantizeFast,                dequantizeFast,                dequantizeFast});
  put(t->storeSamples,            {storeSamples,              storeSamplesMmx,               storeSamplesMmx,               storeSamplesMmx,               storeSamplesSse2});
    // clang-format on

    // Chosen per image by the encoder and the decoder.
    t->activeForwardDct = nullptr;
    t->activeInverseDct = t->activeInverseDctHalf = t->activeInverseDctQuarter = t->activeInverseDctEighth = nullptr;
    t->ccEncodeMcu = nullptr;
    t->dcDecodeMcu = nullptr;
}
