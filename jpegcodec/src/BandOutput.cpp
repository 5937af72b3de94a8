// Band output: the bitmap rows of one MCU row, converted by the plan's row
// writer, and the in-place conversion after separate single-component scans.
#include "ScanStages.h"

#include <cstring>

#include "PixelWriters.h"
#include "ScanDecoder.h"

namespace {
// Components of a multi-scan image go into their own byte of each pixel.
void writeRawComponent(const JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t component, const uint8_t* line,
                       uint8_t* out, int32_t x0, int32_t count)
{
    const int32_t bpp = plan.bytesPerPixel;
    if (state->bitmap.color == JPEG_COLOR_YCBCR) {
        // Packed Y Cb Y Cr: luma in every pixel, Cb in even and Cr in odd ones.
        for (int32_t i = 0; i < count; ++i) {
            const bool odd = ((x0 + i) & 1) != 0;
            if (component == 0) out[i * bpp] = line[i];
            if ((component == 1 && !odd) || (component == 2 && odd)) out[i * bpp + 1] = line[i];
        }
        return;
    }
    const bool reversed = state->bitmap.color == JPEG_COLOR_BGR && state->stream.color == JPEG_COLOR_RGB;
    const int32_t byte = reversed ? 2 - component : component;
    if (byte < 0 || byte >= state->bitmap.channels) return;
    for (int32_t i = 0; i < count; ++i) out[i * bpp + byte] = line[i];
}

void writeGenericRow(const JPEG_CODEC_STATE* state, const ScanPlan& plan, const uint8_t* const* lines, uint8_t* out,
                     int32_t count)
{
    const int32_t bpp = plan.bytesPerPixel, bytes = bpp < 8 ? bpp : 8;
    for (int32_t i = 0; i < count; ++i, out += bpp)
        for (int32_t j = 0; j < bytes; ++j) {
            const int32_t source = plan.genericSource[j];
            if (source >= 0) out[j] = lines[source][i];
            if (source == -1) out[j] = 255;
        }
}

void emitRow(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t y)
{
    const JpegRegion& w = plan.window;
    const int32_t x0 = w.left, count = w.right - w.left;
    if (count <= 0) return;
    uint8_t* out = state->io.firstRow + static_cast<intptr_t>(y - w.top) * state->bitmap.rowStep;
    const uint8_t* lines[JPEG_MAX_COMPONENTS];
    const bool half = plan.writer != WriterKind::Raw && plan.writer != WriterKind::Generic && plan.componentCount > 1 &&
                      halfWidthChroma(plan, x0) &&
                      (plan.writer == WriterKind::Three ? plan.threeHalf != nullptr : plan.fourHalf != nullptr);
    for (int32_t i = 0; i < plan.componentCount; ++i) {
        const ComponentGeometry& g = plan.comps[i];
        lines[i] = half && i > 0 && i < 3 ? sampleRow(g, y / g.ratioV) + x0 / 2 : componentLine(plan, g, y, x0, count);
    }
    switch (plan.writer) {
    case WriterKind::Grey:
        plan.grey(lines[0], out, count);
        break;
    case WriterKind::Three:
        if (half)
            plan.threeHalf(lines[0], lines[1], lines[2], out, count);
        else if (plan.three)
            plan.three(lines[0], lines[1], lines[2], out, count);
        break;
    case WriterKind::Four:
        (half ? plan.fourHalf : plan.four)(lines[0], lines[1], lines[2], lines[3], out, count);
        break;
    case WriterKind::Generic:
        writeGenericRow(state, plan, lines, out, count);
        if (plan.convertAfter)
            convertPixelsInPlace(out, count, plan.bytesPerPixel, state->bitmap.color == JPEG_COLOR_BGR,
                                 state->stream.color == JPEG_COLOR_YCCK);
        break;
    case WriterKind::Raw:
        for (int32_t i = 0; i < plan.componentCount; ++i)
            writeRawComponent(state, plan, plan.comps[i].frameIndex, lines[i], out, x0, count);
        break;
    }
}

// Sixteen pixels of a flat MCU's colour, converted by the pair kernel itself
// so that they are byte for byte what the kernel gives everywhere else.
struct FlatColour {
    enum { kPixels = 16 };
    uint32_t samples = ~0u;  // Y, Cb, Cr of the pattern; none yet (samples take 24 bits)
    uint8_t pattern[kPixels * 3 + 1];

    void convert(const ScanPlan& plan, uint8_t luma, uint8_t cb, uint8_t cr)
    {
        const uint32_t wanted = luma | uint32_t{cb} << 8 | uint32_t{cr} << 16;
        if (wanted == samples) return;
        samples = wanted;
        uint8_t lumaLine[kPixels], cbLine[kPixels / 2], crLine[kPixels / 2], spare[kPixels * 3 + 1];
        std::memset(lumaLine, luma, sizeof(lumaLine));
        std::memset(cbLine, cb, sizeof(cbLine));
        std::memset(crLine, cr, sizeof(crLine));
        plan.threePair(lumaLine, lumaLine, cbLine, crLine, pattern, spare, kPixels);
    }

    // `count` pixels of the colour into both rows.
    void fill(uint8_t* top, uint8_t* bottom, int32_t count) const
    {
        int32_t done = 0;
        for (; done + kPixels <= count; done += kPixels) {
            std::memcpy(top + done * 3, pattern, kPixels * 3);
            std::memcpy(bottom + done * 3, pattern, kPixels * 3);
        }
        if (done == count) return;
        std::memcpy(top + done * 3, pattern, static_cast<size_t>(count - done) * 3);
        std::memcpy(bottom + done * 3, pattern, static_cast<size_t>(count - done) * 3);
    }
};

// Rows y and y + 1, which share their chroma line. Runs of flat MCUs are one
// colour; the rest goes through the kernel run by run.
void emitRowPair(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t y)
{
    const JpegRegion& w = plan.window;
    const int32_t x0 = w.left, end = w.right;
    if (end <= x0) return;
    uint8_t* top = state->io.firstRow + static_cast<intptr_t>(y - w.top) * state->bitmap.rowStep;
    uint8_t* bottom = top + state->bitmap.rowStep;
    const ComponentGeometry& luma = plan.comps[0];
    const int32_t chromaRow = y / plan.comps[1].ratioV;
    const uint8_t* lumaTop = sampleRow(luma, y);
    const uint8_t* lumaBottom = sampleRow(luma, y + 1);
    const uint8_t* cb = sampleRow(plan.comps[1], chromaRow);
    const uint8_t* cr = sampleRow(plan.comps[2], chromaRow);
    const uint8_t* flat = plan.flatMcus[(y / plan.mcuOutHeight) % BAND_RING];
    const int32_t width = plan.mcuOutWidth;
    FlatColour colour;
    for (int32_t x = x0; x < end;) {
        int32_t mcu = x / width;
        const bool runFlat = flat[mcu] != 0;
        int32_t runEnd = (mcu + 1) * width;
        for (++mcu; runEnd < end && (flat[mcu] != 0) == runFlat; ++mcu) runEnd += width;
        if (runEnd > end) runEnd = end;
        const size_t offset = static_cast<size_t>(x - x0) * 3;
        if (runFlat) {
            // Neighbouring flat MCUs may differ in colour: one MCU at a time.
            for (int32_t from = x, to; from < runEnd; from = to) {
                to = (from / width + 1) * width < runEnd ? (from / width + 1) * width : runEnd;
                colour.convert(plan, lumaTop[from], cb[from / 2], cr[from / 2]);
                colour.fill(top + static_cast<size_t>(from - x0) * 3, bottom + static_cast<size_t>(from - x0) * 3,
                            to - from);
            }
        } else {
            plan.threePair(lumaTop + x, lumaBottom + x, cb + x / 2, cr + x / 2, top + offset, bottom + offset,
                           runEnd - x);
        }
        x = runEnd;
    }
}
}  // namespace

void emitBand(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t band)
{
    if (state->coefficientOutput) return;
    const int32_t top = band * plan.mcuOutHeight;
    const int32_t from = top > plan.window.top ? top : plan.window.top;
    const int32_t to = top + plan.mcuOutHeight < plan.window.bottom ? top + plan.mcuOutHeight : plan.window.bottom;
    for (int32_t y = from; y < to;) {
        if (plan.threePair && (y & 1) == 0 && y + 1 < to) {
            emitRowPair(state, plan, y);
            y += 2;
        } else {
            emitRow(state, plan, y++);
        }
    }
}

void finishMultiScanImage(JPEG_CODEC_STATE* state)
{
    const int32_t dc = state->bitmap.color;
    if (!state->stream.colorConversion || (dc != JPEG_COLOR_RGB && dc != JPEG_COLOR_BGR && dc != JPEG_COLOR_CMYK) ||
        state->bitmap.channels < 3)
        return;
    bool region = false;
    const JpegRegion w = outputWindow(state, &region);
    for (int32_t y = w.bottom - w.top - 1; y >= 0; --y)
        convertPixelsInPlace(state->io.firstRow + static_cast<intptr_t>(y) * state->bitmap.rowStep, w.right - w.left,
                             state->bitmap.channels, dc == JPEG_COLOR_BGR, state->stream.color == JPEG_COLOR_YCCK);
}
