// Scan planning: the output geometry of a scan at the read's scale, the
// component bands it decodes into, and the row writer for the bitmap's
// layout.
#include "ScanStages.h"

#include <algorithm>
#include <cstdlib>

#include "CodecState.h"
#include "ScanDecoder.h"

int32_t scaleOfMode(int32_t mode)
{
    switch (mode) {
    case DecodeHalfFromFile:
    case DecodeHalfFromMemory:
        return 2;
    case DecodeQuarterFromFile:
    case DecodeQuarterFromMemory:
        return 4;
    case DecodeEighthFromFile:
    case DecodeEighthFromMemory:
        return 8;
    default:
        return 1;
    }
}

bool powerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

int32_t colorConversionOf(const JPEG_CODEC_STATE* state)
{
    const int32_t jc = state->stream.color, dc = state->bitmap.color;
    const bool plain = jc == JPEG_COLOR_RGB || jc == JPEG_COLOR_GREY || jc == JPEG_COLOR_CMYK ||
                       jc == JPEG_COLOR_OTHER || dc == JPEG_COLOR_YCBCR || dc == JPEG_COLOR_GREY;
    return plain ? 0 : 1;
}

namespace {
// Samples per block edge: reduced sizes give subsampled components a larger
// transform, so that they arrive at the output size without upsampling.
int32_t blockEdge(int32_t ratioH, int32_t ratioV, int32_t scale)
{
    if (scale > 1 && ratioH == ratioV && powerOfTwo(ratioH)) {
        const int32_t edge = 8 * ratioH / scale;
        return edge < 8 ? edge : 8;
    }
    return 8 / scale;
}

BlockTransformFn inverseDctFor(const CpuDispatchTable* t, int32_t edge)
{
    switch (edge) {
    case 8:
        return t->activeInverseDct;
    case 4:
        return t->activeInverseDctHalf;
    case 2:
        return t->activeInverseDctQuarter;
    default:
        return t->activeInverseDctEighth;
    }
}

void selectWriter(const JPEG_CODEC_STATE* state, ScanPlan* plan)
{
    const CpuDispatchTable* t = state->io.cpuTable;
    const int32_t n = state->frame.componentCount, ch = state->bitmap.channels;
    const int32_t dc = state->bitmap.color, jc = state->stream.color;
    const bool cc = state->stream.colorConversion != 0;
    plan->bytesPerPixel = dc == JPEG_COLOR_YCBCR ? 2 : ch;
    plan->convertAfter = false;
    plan->threePair = nullptr;
    if (plan->componentCount < n) {
        plan->writer = WriterKind::Raw;
        return;
    }
    if (cc && n == 3 && ch == 3 && (dc == JPEG_COLOR_RGB || dc == JPEG_COLOR_BGR)) {
        plan->writer = WriterKind::Three;
        plan->three = dc == JPEG_COLOR_RGB ? t->decodeRgb11 : t->decodeBgr11;
        plan->threeHalf = dc == JPEG_COLOR_RGB ? t->decodeRgb21 : t->decodeBgr21;
        plan->threePair = dc == JPEG_COLOR_RGB ? t->decodeRgb22 : t->decodeBgr22;
        return;
    }
    if (cc && n == 3 && ch == 4 && dc == JPEG_COLOR_CMYK) {
        plan->writer = WriterKind::Three;
        plan->three = t->decodeYccToRgbx11;
        plan->threeHalf = t->decodeYccToRgbx21;
        return;
    }
    if (cc && n == 4 && ch == 4 && dc == JPEG_COLOR_CMYK) {
        plan->writer = WriterKind::Four;
        plan->four = t->decodeYcckToCmyk11;
        plan->fourHalf = t->decodeYcckToCmyk21;
        return;
    }
    if (!cc && n == 1 && ch == 1) {
        plan->writer = WriterKind::Grey;
        plan->grey = t->decodeGrey;
        return;
    }
    if (!cc && n == 3 && dc == JPEG_COLOR_YCBCR) {
        plan->writer = WriterKind::Three;
        plan->three = nullptr;  // packed pairs exist only from half-width chroma
        plan->threeHalf = t->decodePackedYcc21;
        return;
    }
    if (!cc && n == 3 && ch == 3 && dc != JPEG_COLOR_BGR) {
        plan->writer = WriterKind::Three;
        plan->three = t->decodePlain3x11;
        plan->threeHalf = t->decodePlain3x21;
        return;
    }
    if (!cc && n == 3 && ch == 4 && dc == JPEG_COLOR_CMYK) {
        plan->writer = WriterKind::Three;
        plan->three = t->decodePlain3ToCmyk11;
        plan->threeHalf = nullptr;
        return;
    }
    if (!cc && n == 4 && ch == 4) {
        plan->writer = WriterKind::Four;
        plan->four = t->decodePlain4x11;
        plan->fourHalf = nullptr;
        return;
    }
    // Everything else: each pixel byte takes one component, or 255.
    plan->writer = WriterKind::Generic;
    for (int32_t j = 0; j < 8; ++j) plan->genericSource[j] = -2;
    const int32_t bytes = ch < 8 ? ch : 8;
    for (int32_t j = 0; j < bytes; ++j) {
        if (n == 1)
            plan->genericSource[j] = (dc == JPEG_COLOR_CMYK && j == 3) ? -1 : (j < 3 ? 0 : -2);
        else if (dc == JPEG_COLOR_CMYK && n == 3)
            plan->genericSource[j] = j < 3 ? j : -1;
        else if (dc == JPEG_COLOR_BGR && jc == JPEG_COLOR_RGB)
            plan->genericSource[j] = 2 - j < n && j < 3 ? 2 - j : -2;
        else
            plan->genericSource[j] = j < n ? j : -2;
    }
    plan->convertAfter =
        cc && n >= 3 && ch >= 3 && (dc == JPEG_COLOR_RGB || dc == JPEG_COLOR_BGR || dc == JPEG_COLOR_CMYK);
}
}  // namespace

JpegRegion outputWindow(const JPEG_CODEC_STATE* state, bool* region)
{
    const int32_t s = scaleOfMode(state->mode);
    const int32_t width = ceilDiv(state->frame.width, s), height = ceilDiv(state->frame.height, s);
    const JpegRegion& r = state->regionRequest;
    *region = (r.right != 0 && r.right < width) || (r.bottom != 0 && r.bottom < height) || r.top > 0 || r.left > 0;
    JpegRegion w = *region ? JpegRegion{r.left > 0 ? r.left : 0, r.top > 0 ? r.top : 0,
                                        r.right != 0 && r.right < width ? r.right : width,
                                        r.bottom != 0 && r.bottom < height ? r.bottom : height}
                           : JpegRegion{0, 0, width, height};
    if (w.right > w.left + state->bitmap.width) w.right = w.left + state->bitmap.width;
    if (w.bottom > w.top + absolute(state->bitmap.height)) w.bottom = w.top + absolute(state->bitmap.height);
    if (w.right < w.left) w.right = w.left;
    if (w.bottom < w.top) w.bottom = w.top;
    return w;
}

void markRegionEnd(JPEG_CODEC_STATE* state)
{
    bool region = false;
    const JpegRegion w = outputWindow(state, &region);
    const int32_t s = scaleOfMode(state->mode);
    const int32_t mcuWidth = std::max(1, 8 * state->frame.maxH / s), mcuHeight = std::max(1, 8 * state->frame.maxV / s);
    const int32_t column = std::max(w.left, w.right - 1) / mcuWidth, row = std::max(w.top, w.bottom - 1) / mcuHeight;
    state->region = JpegRegion{column, row, column, row};
}

// Whether the kernel may read chroma straight from half-width sample rows.
bool halfWidthChroma(const ScanPlan& plan, int32_t x0)
{
    if ((x0 & 1) || plan.comps[0].ratioH != 1 || plan.comps[0].ratioV != 1) return false;
    for (int32_t i = 1; i < plan.componentCount; ++i) {
        const ComponentGeometry& g = plan.comps[i];
        if (g.ratioH != 2 || (plan.smooth && (g.ratioV == 1 || plan.scale == 1))) return false;
    }
    return true;
}

namespace {
// Whether rows y and y + 1 (y even) take their Cb and Cr from one
// half-width chroma line each, so a pair kernel may convert them together.
bool rowPairsShareChroma(const ScanPlan& plan, int32_t x0)
{
    return plan.componentCount == 3 && halfWidthChroma(plan, x0) && plan.comps[1].ratioV == 2 &&
           plan.comps[2].ratioV == 2;
}
}  // namespace

// Output geometry and component bands of the scan in the state.
void planScan(JPEG_CODEC_STATE* state, ScanPlan* plan)
{
    const JpegFrameInfo& frame = state->frame;
    const JpegScanHeader& scan = *state->decodeScan;
    const int32_t s = scaleOfMode(state->mode);
    plan->scale = s;
    plan->componentCount = scan.componentCount;
    const bool single = scan.componentCount == 1;
    if (single) {
        const JpegScanComponent& c = scan.components[0];
        const int32_t blockW = 8 * frame.maxH / c.horizontalFactor, blockH = 8 * frame.maxV / c.verticalFactor;
        plan->columns = ceilDiv(frame.width, blockW);
        plan->rows = ceilDiv(frame.height, blockH);
        plan->mcuOutWidth = blockW / s;
        plan->mcuOutHeight = blockH / s;
    } else {
        plan->columns = frame.mcusPerRow;
        plan->rows = ceilDiv(frame.height, 8 * frame.maxV);
        plan->mcuOutWidth = 8 * frame.maxH / s;
        plan->mcuOutHeight = 8 * frame.maxV / s;
    }
    plan->outWidth = ceilDiv(frame.width, s);
    plan->outHeight = ceilDiv(frame.height, s);

    plan->smooth = state->smoothUpsampling != 0;
    for (int32_t i = 0; i < scan.componentCount; ++i) {
        const JpegScanComponent& sc = scan.components[i];
        ComponentGeometry& g = plan->comps[i];
        const int32_t ratioH = frame.maxH / sc.horizontalFactor, ratioV = frame.maxV / sc.verticalFactor;
        g.frameIndex = sc.frameIndex;
        g.blocksH = single ? 1 : sc.horizontalFactor;
        g.blocksV = single ? 1 : sc.verticalFactor;
        g.edge = blockEdge(ratioH, ratioV, s);
        g.planeWidth = plan->columns * g.blocksH * g.edge;
        g.planeHeight = g.blocksV * g.edge;
        g.realWidth = ceilDiv(frame.width * sc.horizontalFactor * g.edge, frame.maxH * 8);
        g.realHeight = ceilDiv(frame.height * sc.verticalFactor * g.edge, frame.maxV * 8);
        g.ratioH = plan->mcuOutWidth / (g.blocksH * g.edge);
        g.ratioV = plan->mcuOutHeight / (g.blocksV * g.edge);
        g.inverseDct = inverseDctFor(state->io.cpuTable, g.edge);
    }

    plan->window = outputWindow(state, &plan->region);
    const JpegRegion& w = plan->window;
    const int32_t firstRow = w.top / plan->mcuOutHeight, endRow = ceilDiv(w.bottom, plan->mcuOutHeight);
    plan->fullFrom = firstRow > 0 ? firstRow - 1 : 0;  // one row more for the smoothing neighbours
    plan->fullTo = endRow + 1 < plan->rows ? endRow + 1 : plan->rows;
    // Blocks from the store need no decoding to be passed over: only the
    // columns of the output and their smoothing neighbours are transformed.
    const int32_t firstColumn = w.left / plan->mcuOutWidth, endColumn = ceilDiv(w.right, plan->mcuOutWidth);
    plan->storedFrom = firstColumn > 0 ? firstColumn - 1 : 0;
    plan->storedTo = endColumn + 1 < plan->columns ? endColumn + 1 : plan->columns;
    selectWriter(state, plan);
    if (!rowPairsShareChroma(*plan, w.left)) plan->threePair = nullptr;
}

JPEG_STATUS allocateScanWork(JPEG_CODEC_STATE* state, ScanPlan* plan)
{
    size_t bytes = sizeof(ScanWork) + BAND_RING * static_cast<size_t>(plan->columns);
    for (int32_t i = 0; i < plan->componentCount; ++i) {
        const ComponentGeometry& g = plan->comps[i];
        bytes += BAND_RING * static_cast<size_t>(g.planeWidth) * g.planeHeight + plan->outWidth + 16;
    }
    std::free(state->scanWorkBlock);
    auto* work = static_cast<uint8_t*>(std::calloc(1, bytes));
    state->scanWorkBlock = work;
    if (!work) return JPEG_MEMORY_ERROR;
    uint8_t* next = work + sizeof(ScanWork);
    for (auto& flags : plan->flatMcus) {
        flags = next;
        next += plan->columns;
    }
    for (int32_t i = 0; i < plan->componentCount; ++i) {
        ComponentGeometry& g = plan->comps[i];
        for (auto& band : g.bands) {
            band = next;
            next += static_cast<size_t>(g.planeWidth) * g.planeHeight;
        }
        g.line = next;
        next += plan->outWidth + 16;
    }
    return JPEG_SUCCESS;
}
