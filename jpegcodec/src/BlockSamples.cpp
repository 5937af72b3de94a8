// Block decoding: each block of an MCU is entropy-decoded (or taken from the
// progressive store), dequantised, transformed and stored as samples in its
// component's band.
#include "ScanStages.h"

#include <cstring>

#include "ProgDecoder.h"

namespace {
// The first coefficients in zig-zag order settle a busy block with loads of
// the width the entropy decoder stored them in; wider loads over its
// scattered stores would wait for them to reach the cache.
bool onlyDc(const int16_t* block)
{
    if (block[1] | block[8] | block[16] | block[9] | block[2]) return false;
    uint64_t any = static_cast<uint16_t>(block[3]);
    for (int32_t i = 1; i < 16; ++i) {
        uint64_t word;
        std::memcpy(&word, block + i * 4, sizeof(word));
        any |= word;
    }
    return any == 0;
}

void fillBlock(uint8_t* at, int32_t stride, uint8_t sample)
{
    const uint64_t row = sample * uint64_t{0x0101010101010101};
    for (int32_t r = 0; r < 8; ++r, at += stride) std::memcpy(at, &row, sizeof(row));
}

// Reduced sizes leave their samples (0..255) in the block's top-left corner.
void storeScaledBlock(const int16_t* block, uint8_t* at, int32_t stride, int32_t edge)
{
    for (int32_t r = 0; r < edge; ++r, at += stride)
        for (int32_t c = 0; c < edge; ++c) at[c] = static_cast<uint8_t>(block[r * 8 + c]);
}
}  // namespace

JPEG_STATUS decodeMcu(JPEG_CODEC_STATE* state, ScanPlan& plan, int32_t x, int32_t y, bool full)
{
    JpegScanHeader& scan = *state->decodeScan;
    const CpuDispatchTable* t = state->io.cpuTable;
    int16_t* block = state->mcuBuffer;
    const bool stored = progressiveFrameSeen(state);
    if (stored && !state->coefficientOutput && (x < plan.storedFrom || x >= plan.storedTo)) return JPEG_SUCCESS;
    bool flatMcu = full;
    int32_t lumaSample = -1;
    for (int32_t ci = 0; ci < plan.componentCount; ++ci) {
        const JpegScanComponent& sc = scan.components[ci];
        ComponentGeometry& g = plan.comps[ci];
        for (int32_t v = 0; v < g.blocksV; ++v)
            for (int32_t h = 0; h < g.blocksH; ++h) {
                // A progressive frame's blocks come from its coefficient store.
                if (!full) {
                    if (!stored)
                        t->huffmanDecodeDcOnly(&state->io, sc.dcTable, sc.acTable, &scan.dcPredictor[ci], nullptr);
                    continue;
                }
                if (stored) {
                    loadStoredBlock(state, sc.frameIndex, x * g.blocksH + h, y * g.blocksV + v, block);
                } else {
                    const JPEG_STATUS status =
                        t->huffmanDecodeBlock(&state->io, sc.dcTable, sc.acTable, &scan.dcPredictor[ci], block);
                    if (status < 0) return status;
                }
                const JpegCoefficientOutput* caller = state->coefficientOutput;
                if (caller && caller->mode == 0) {
                    storeForCaller(state, plan, ci, x, y, h, v, block, 8);
                    continue;
                }
                uint8_t* band = g.bands[y % BAND_RING];
                uint8_t* at = band + static_cast<size_t>(v) * g.edge * g.planeWidth + (x * g.blocksH + h) * g.edge;
                const bool dcOnly = !caller && g.edge == 8 && onlyDc(block);
                const int16_t dc = block[0];
                uint8_t sample = 0;
                if (dcOnly && g.flatBlocks.lookUp(dc, &sample)) {
                    fillBlock(at, g.planeWidth, sample);
                    if (ci == 0) {
                        flatMcu &= lumaSample < 0 || lumaSample == sample;
                        lumaSample = sample;
                    }
                    continue;
                }
                flatMcu = false;
                t->activeDequantize(block, sc.quantTable->decode);
                g.inverseDct(block);
                if (dcOnly) g.flatBlocks.learn(dc, block);
                if (caller) {
                    storeForCaller(state, plan, ci, x, y, h, v, block, g.edge);
                    continue;
                }
                if (g.edge == 8)
                    t->storeSamples(block, at, g.planeWidth);
                else
                    storeScaledBlock(block, at, g.planeWidth, g.edge);
            }
    }
    if (full) plan.flatMcus[y % BAND_RING][x] = flatMcu;
    return JPEG_SUCCESS;
}
