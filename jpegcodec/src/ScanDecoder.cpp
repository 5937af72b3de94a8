#include "ScanDecoder.h"

#include <cstdlib>

#include "CodecState.h"
#include "EntropyInput.h"
#include "ScanStages.h"

namespace {
JPEG_STATUS runScan(JPEG_CODEC_STATE* state, ScanPlan& plan)
{
    JpegScanHeader& scan = *state->decodeScan;
    int32_t y = scan.resumeRow, x = scan.resumeColumn;
    if (!scan.inProgress && plan.region && plan.fullFrom > 0) {
        int32_t reached = 0;
        const JPEG_STATUS status = seekNearestRow(state, plan.fullFrom, &reached);
        if (status != JPEG_SUCCESS) return status;
        y = reached;
    }
    for (; y < plan.fullTo; ++y, x = 0) {
        const bool full = y >= plan.fullFrom;
        if (x == 0 && plan.region && state->restartIndex && y > 0 && y < RESTART_INDEX_ROWS &&
            state->restartIndex[y].position < 0)
            storeRestartEntry(state, y, state->restartIndex[0].scanStart);
        for (; x < plan.columns; ++x) {
            JPEG_STATUS status = decodeMcu(state, plan, x, y, full);
            if (status == JPEG_SUCCESS) status = processRestart(state, plan, x, y);
            if (status != JPEG_SUCCESS) return status;
            const bool lastOfRow = x + 1 == plan.columns;
            if (lastOfRow && full && y > plan.fullFrom) emitBand(state, plan, y - 1);
            // Past the end of the scan's data nothing more can be decoded: the
            // rows so far stay, and the read reports the cut or the damage.
            const bool dataEnded = lastOfRow && entropyDataExhausted(&state->io, scan.restartInterval != 0);
            if (lastOfRow && full && (y + 1 == plan.fullTo || dataEnded)) emitBand(state, plan, y);
            if (dataEnded) return state->io.pendingMarker == END_OF_DATA ? JPEG_EOF_ERROR : JPEG_DATA_ERROR;
            if (state->interruptEachMcu && !(lastOfRow && y + 1 == plan.fullTo)) {
                scan.inProgress = 1;
                scan.resumeColumn = lastOfRow ? 0 : x + 1;
                scan.resumeRow = lastOfRow ? y + 1 : y;
                state->region.left = state->region.right = x;
                state->region.top = state->region.bottom = y;
                return JPEG_INTERRUPT_SUCCESS;
            }
        }
    }
    scan.inProgress = 0;
    scan.resumeColumn = scan.resumeRow = 0;
    return JPEG_SUCCESS;
}
}  // namespace

bool isProgressiveScan(const JpegScanHeader& scan)
{
    return scan.ss != 0 || scan.se != 63 || scan.ah != 0 || scan.al != 0;
}

JPEG_STATUS prepareDecoding(JPEG_CODEC_STATE* state)
{
    const JpegFrameInfo& frame = state->frame;
    if (frame.componentCount < 1 || frame.componentCount > 255) return JPEG_COMPONENT_ERROR;
    if (frame.width == 0) return JPEG_SOF_ERROR;
    state->stream.colorConversion = colorConversionOf(state);
    bool sampled = false;
    for (int32_t i = 0; i < frame.componentCount; ++i)
        sampled |= frame.components[i].horizontalFactor != 1 || frame.components[i].verticalFactor != 1;
    state->stream.resampling = sampled && state->bitmap.color != JPEG_COLOR_YCBCR;
    state->mcusPerRow = frame.mcusPerRow;
    state->mcuRows = (frame.height + 8 * frame.maxV - 1) / (8 * frame.maxV);
    if (state->stream.color == JPEG_COLOR_YCBCR && state->bitmap.color == JPEG_COLOR_YCBCR) {
        const ComponentSpec* c = frame.components;
        const bool packedLayout = frame.componentCount == 3 && c[0].horizontalFactor == 2 && c[0].verticalFactor == 1 &&
                                  c[1].horizontalFactor == 1 && c[1].verticalFactor == 1 &&
                                  c[2].horizontalFactor == 1 && c[2].verticalFactor == 1;
        if (!packedLayout) return JPEG_INVALID_PROPERTIES;
    }
    return JPEG_SUCCESS;
}

JPEG_STATUS decodeScan(JPEG_CODEC_STATE* state)
{
    CpuDispatchTable* t = state->io.cpuTable;
    const bool accurate = state->dctMethod == 1;
    t->activeInverseDct = accurate ? t->inverseDctAccurate : t->inverseDctFast;
    t->activeInverseDctHalf = accurate ? t->inverseDctAccurateHalf : t->inverseDctFastHalf;
    t->activeInverseDctQuarter = accurate ? t->inverseDctAccurateQuarter : t->inverseDctFastQuarter;
    t->activeInverseDctEighth = accurate ? t->inverseDctAccurateEighth : t->inverseDctFastEighth;
    t->activeDequantize = accurate ? t->dequantizeAccurate : t->dequantizeFast;

    ScanPlan plan;
    planScan(state, &plan);
    const bool resuming = state->decodeScan->inProgress && state->scanWorkBlock;
    if (resuming) {
        // The bands of an interrupted scan stay in its work block.
        const ScanPlan& kept = static_cast<ScanWork*>(state->scanWorkBlock)->plan;
        for (int32_t i = 0; i < plan.componentCount; ++i) {
            for (int b = 0; b < BAND_RING; ++b) plan.comps[i].bands[b] = kept.comps[i].bands[b];
            plan.comps[i].line = kept.comps[i].line;
        }
        for (int b = 0; b < BAND_RING; ++b) plan.flatMcus[b] = kept.flatMcus[b];
    } else {
        const JPEG_STATUS status = allocateScanWork(state, &plan);
        if (status != JPEG_SUCCESS) return status;
    }
    static_cast<ScanWork*>(state->scanWorkBlock)->plan = plan;
    const JPEG_STATUS status = runScan(state, plan);
    if (status == JPEG_SUCCESS) clearBitCount(&state->io);
    if (status != JPEG_INTERRUPT_SUCCESS) {
        std::free(state->scanWorkBlock);
        state->scanWorkBlock = nullptr;
    }
    t->endKernels();
    return status;
}
