#include "scan_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codec_state.h"
#include "cpu_dispatch.h"
#include "entropy_input.h"
#include "pixel_writers.h"
#include "platform.h"
#include "prog_decoder.h"

namespace {
enum { RESTART_INDEX_ROWS = 8192, BAND_RING = 3 };

// Blocks without AC coefficients, most of a page's white ground, come out
// of the inverse DCT as one sample value. What the record's own dequantiser
// and transform made of a DC value is remembered, so the picture stays byte
// for byte what the full transform gives on every class.
class FlatBlockSamples {
 public:
  // The sample of a DC-only block of this DC, when one was seen to be flat.
  bool lookUp(int16_t dc, uint8_t* sample) const {
    const Entry& entry = entries_[slotOf(dc)];
    *sample = entry.sample;
    return entry.flat && entry.dc == dc;
  }
  // Notes what the transform made of a DC-only block of this DC.
  void learn(int16_t dc, const int16_t* samples) {
    bool flat = true;
    for (int32_t i = 1; i < 64; ++i) flat &= samples[i] == samples[0];
    entries_[slotOf(dc)] = Entry{dc, flat, static_cast<uint8_t>(samples[0])};
  }

 private:
  static constexpr int32_t kEntries = 16;
  static int32_t slotOf(int16_t dc) { return static_cast<uint16_t>(dc) % kEntries; }
  struct Entry {
    int16_t dc;
    bool flat;
    uint8_t sample;
  };
  Entry entries_[kEntries] = {};
};

bool onlyDc(const int16_t* block) {
  uint64_t words[16];
  std::memcpy(words, block, sizeof(words));
  uint64_t any = static_cast<uint64_t>(static_cast<uint16_t>(block[1] | block[2] | block[3]));
  for (int32_t i = 1; i < 16; ++i) any |= words[i];
  return any == 0;
}

void fillBlock(uint8_t* at, int32_t stride, uint8_t sample) {
  for (int32_t r = 0; r < 8; ++r, at += stride) std::memset(at, sample, 8);
}

struct ComponentGeometry {
  int32_t frameIndex;
  int32_t blocksH, blocksV; // blocks of this component in one MCU
  int32_t edge;             // samples per block edge after the inverse DCT
  int32_t planeWidth, planeHeight;
  int32_t realWidth, realHeight; // samples that lie inside the image
  int32_t ratioH, ratioV;        // output pixels per sample
  BlockTransformFn inverseDct;
  FlatBlockSamples flatBlocks;
  uint8_t* bands[BAND_RING];
  uint8_t* line; // one upsampled output line
};

enum class WriterKind { Grey, Three, Four, Generic, Raw };

// How one scan becomes pixels; rebuilt at the start of every call.
struct ScanPlan {
  int32_t scale;
  int32_t columns, rows; // MCUs
  int32_t mcuOutWidth, mcuOutHeight;
  int32_t outWidth, outHeight;
  JpegRegion window; // output pixels written, clipped to image and bitmap
  bool region;
  int32_t fullFrom, fullTo; // MCU rows decoded in full
  bool smooth;
  int32_t componentCount;
  ComponentGeometry comps[JPEG_MAX_COMPONENTS];
  WriterKind writer;
  bool convertAfter;         // generic writer: YCbCr bytes converted in place
  int32_t bytesPerPixel;
  int32_t genericSource[8];  // per pixel byte: line index, -1 for 255, -2 untouched
  DecodeGreyFn grey;
  Decode3Fn three, threeHalf;
  Decode3PairFn threePair;  // set when pairs of rows share their chroma line
  Decode4Fn four, fourHalf;
};

int32_t ceilDiv(int32_t a, int32_t b) { return (a + b - 1) / b; }
int32_t absolute(int32_t v) { return v < 0 ? -v : v; }

int32_t scaleOfMode(int32_t mode) {
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

int32_t colorConversionOf(const JPEG_CODEC_STATE* state) {
  const int32_t jc = state->stream.color, dc = state->bitmap.color;
  const bool plain = jc == JPEG_COLOR_RGB || jc == JPEG_COLOR_GREY || jc == JPEG_COLOR_CMYK ||
                     jc == JPEG_COLOR_OTHER || dc == JPEG_COLOR_YCBCR || dc == JPEG_COLOR_GREY;
  return plain ? 0 : 1;
}

// Samples per block edge: reduced sizes give subsampled components a larger
// transform, so that they arrive at the output size without upsampling.
int32_t blockEdge(int32_t ratioH, int32_t ratioV, int32_t scale) {
  if (scale > 1 && ratioH == ratioV && powerOfTwo(ratioH)) {
    const int32_t edge = 8 * ratioH / scale;
    return edge < 8 ? edge : 8;
  }
  return 8 / scale;
}

BlockTransformFn inverseDctFor(const CpuDispatchTable* t, int32_t edge) {
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

void selectWriter(const JPEG_CODEC_STATE* state, ScanPlan* plan) {
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
  plan->convertAfter = cc && n >= 3 && ch >= 3 &&
                       (dc == JPEG_COLOR_RGB || dc == JPEG_COLOR_BGR || dc == JPEG_COLOR_CMYK);
}

}  // namespace

JpegRegion outputWindow(const JPEG_CODEC_STATE* state, bool* region) {
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

void markRegionEnd(JPEG_CODEC_STATE* state) {
  bool region = false;
  const JpegRegion w = outputWindow(state, &region);
  const int32_t s = scaleOfMode(state->mode);
  const int32_t mcuWidth = std::max(1, 8 * state->frame.maxH / s), mcuHeight = std::max(1, 8 * state->frame.maxV / s);
  const int32_t column = std::max(w.left, w.right - 1) / mcuWidth, row = std::max(w.top, w.bottom - 1) / mcuHeight;
  state->region = JpegRegion{column, row, column, row};
}

namespace {
// Whether the kernel may read chroma straight from half-width sample rows.
bool halfWidthChroma(const ScanPlan& plan, int32_t x0) {
  if ((x0 & 1) || plan.comps[0].ratioH != 1 || plan.comps[0].ratioV != 1) return false;
  for (int32_t i = 1; i < plan.componentCount; ++i) {
    const ComponentGeometry& g = plan.comps[i];
    if (g.ratioH != 2 || (plan.smooth && (g.ratioV == 1 || plan.scale == 1))) return false;
  }
  return true;
}

// Whether rows y and y + 1 (y even) take their Cb and Cr from one
// half-width chroma line each, so a pair kernel may convert them together.
bool rowPairsShareChroma(const ScanPlan& plan, int32_t x0) {
  return plan.componentCount == 3 && halfWidthChroma(plan, x0) && plan.comps[1].ratioV == 2 &&
         plan.comps[2].ratioV == 2;
}

// Output geometry and component bands of the scan in the state.
void planScan(JPEG_CODEC_STATE* state, ScanPlan* plan) {
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
  selectWriter(state, plan);
  if (!rowPairsShareChroma(*plan, w.left)) plan->threePair = nullptr;
}

// The heap block of one scan: its plan, bands and lines.
struct ScanWork {
  ScanPlan plan;
};

JPEG_STATUS allocateScanWork(JPEG_CODEC_STATE* state, ScanPlan* plan) {
  size_t bytes = sizeof(ScanWork);
  for (int32_t i = 0; i < plan->componentCount; ++i) {
    const ComponentGeometry& g = plan->comps[i];
    bytes += BAND_RING * static_cast<size_t>(g.planeWidth) * g.planeHeight + plan->outWidth + 16;
  }
  std::free(state->scanWorkBlock);
  auto* work = static_cast<uint8_t*>(std::calloc(1, bytes));
  state->scanWorkBlock = work;
  if (!work) return JPEG_MEMORY_ERROR;
  uint8_t* next = work + sizeof(ScanWork);
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

const uint8_t* sampleRow(const ComponentGeometry& g, int32_t row) {
  return g.bands[(row / g.planeHeight) % BAND_RING] + static_cast<size_t>(row % g.planeHeight) * g.planeWidth;
}

// Samples x0 .. x0+count-1 of output row y for one component.
const uint8_t* componentLine(const ScanPlan& plan, const ComponentGeometry& g, int32_t y, int32_t x0,
                             int32_t count) {
  const int32_t row = y / g.ratioV;
  const uint8_t* samples = sampleRow(g, row);
  if (g.ratioH == 1 && g.ratioV == 1) return samples + x0;
  uint8_t* line = g.line;
  const int32_t last = g.realWidth - 1;
  if (plan.smooth && g.ratioH == 2 && g.ratioV == 2 && plan.scale == 1) {
    // Triangle filter over the sample row and its neighbour above or below.
    const int32_t neighbourRow = (y & 1) ? (row + 1 < g.realHeight ? row + 1 : row) : (row > 0 ? row - 1 : 0);
    const uint8_t* near = sampleRow(g, neighbourRow);
    auto columnSum = [&](int32_t j) { return 3 * samples[j] + near[j]; };
    for (int32_t i = 0; i < count; ++i) {
      const int32_t x = x0 + i, j = x >> 1 < last ? x >> 1 : last;
      const int32_t sum = columnSum(j);
      line[i] = static_cast<uint8_t>((x & 1) ? (3 * sum + columnSum(j < last ? j + 1 : j) + 7) >> 4
                                             : (3 * sum + columnSum(j > 0 ? j - 1 : 0) + 8) >> 4);
    }
    return line;
  }
  if (plan.smooth && g.ratioH == 2 && g.ratioV == 1) {
    for (int32_t i = 0; i < count; ++i) {
      const int32_t x = x0 + i, j = x >> 1 < last ? x >> 1 : last;
      const int32_t c = 3 * samples[j];
      line[i] = static_cast<uint8_t>((x & 1) ? (c + samples[j < last ? j + 1 : j] + 2) >> 2
                                             : (c + samples[j > 0 ? j - 1 : 0] + 1) >> 2);
    }
    return line;
  }
  for (int32_t i = 0; i < count; ++i) line[i] = samples[(x0 + i) / g.ratioH];
  return line;
}

// Components of a multi-scan image go into their own byte of each pixel.
void writeRawComponent(const JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t component, const uint8_t* line,
                       uint8_t* out, int32_t x0, int32_t count) {
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

void writeGenericRow(const JPEG_CODEC_STATE* state, const ScanPlan& plan, const uint8_t* const* lines,
                     uint8_t* out, int32_t count) {
  const int32_t bpp = plan.bytesPerPixel, bytes = bpp < 8 ? bpp : 8;
  for (int32_t i = 0; i < count; ++i, out += bpp)
    for (int32_t j = 0; j < bytes; ++j) {
      const int32_t source = plan.genericSource[j];
      if (source >= 0) out[j] = lines[source][i];
      if (source == -1) out[j] = 255;
    }
}

void emitRow(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t y) {
  const JpegRegion& w = plan.window;
  const int32_t x0 = w.left, count = w.right - w.left;
  if (count <= 0) return;
  uint8_t* out = state->io.firstRow + static_cast<intptr_t>(y - w.top) * state->bitmap.rowStep;
  const uint8_t* lines[JPEG_MAX_COMPONENTS];
  const bool half = plan.writer != WriterKind::Raw && plan.writer != WriterKind::Generic &&
                    plan.componentCount > 1 && halfWidthChroma(plan, x0) &&
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

// Rows y and y + 1, which share their chroma line.
void emitRowPair(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t y) {
  const JpegRegion& w = plan.window;
  const int32_t x0 = w.left, count = w.right - w.left;
  if (count <= 0) return;
  uint8_t* top = state->io.firstRow + static_cast<intptr_t>(y - w.top) * state->bitmap.rowStep;
  const ComponentGeometry& luma = plan.comps[0];
  const int32_t chromaRow = y / plan.comps[1].ratioV;
  plan.threePair(sampleRow(luma, y) + x0, sampleRow(luma, y + 1) + x0, sampleRow(plan.comps[1], chromaRow) + x0 / 2,
                 sampleRow(plan.comps[2], chromaRow) + x0 / 2, top, top + state->bitmap.rowStep, count);
}

void emitBand(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t band) {
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

// Caller planes of coefficient output: 16-bit entries, blocks laid out as the
// component's blocks lie in the image.
void storeForCaller(const JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t ci, int32_t x, int32_t y,
                    int32_t h, int32_t v, const int16_t* block, int32_t edge) {
  const ComponentGeometry& g = plan.comps[ci];
  int16_t* plane = state->coefficientOutput->planes[g.frameIndex];
  if (!plane) return;
  const intptr_t lineLength = static_cast<intptr_t>(plan.columns) * g.blocksH * edge;
  int16_t* at = plane + (static_cast<intptr_t>(y) * g.blocksV + v) * edge * lineLength +
                (static_cast<intptr_t>(x) * g.blocksH + h) * edge;
  for (int32_t r = 0; r < edge; ++r) std::memcpy(at + r * lineLength, block + r * 8, edge * sizeof(int16_t));
}

// Reduced sizes leave their samples (0..255) in the block's top-left corner.
void storeScaledBlock(const int16_t* block, uint8_t* at, int32_t stride, int32_t edge) {
  for (int32_t r = 0; r < edge; ++r, at += stride)
    for (int32_t c = 0; c < edge; ++c) at[c] = static_cast<uint8_t>(block[r * 8 + c]);
}

JPEG_STATUS decodeMcu(JPEG_CODEC_STATE* state, ScanPlan& plan, int32_t x, int32_t y, bool full) {
  JpegScanHeader& scan = *state->decodeScan;
  const CpuDispatchTable* t = state->io.cpuTable;
  int16_t* block = state->mcuBuffer;
  for (int32_t ci = 0; ci < plan.componentCount; ++ci) {
    const JpegScanComponent& sc = scan.components[ci];
    ComponentGeometry& g = plan.comps[ci];
    for (int32_t v = 0; v < g.blocksV; ++v)
      for (int32_t h = 0; h < g.blocksH; ++h) {
        // A progressive frame's blocks come from its coefficient store.
        const bool stored = progressiveFrameSeen(state);
        if (!full) {
          if (!stored) t->huffmanDecodeDcOnly(&state->io, sc.dcTable, sc.acTable, &scan.dcPredictor[ci], nullptr);
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
          continue;
        }
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
  return JPEG_SUCCESS;
}

JPEG_STATUS processRestart(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t x, int32_t y) {
  JpegScanHeader& scan = *state->decodeScan;
  const int32_t done = y * plan.columns + x + 1;
  if (scan.restartInterval == 0 || done % scan.restartInterval != 0 || done >= plan.columns * plan.rows)
    return JPEG_SUCCESS;
  for (int32_t& predictor : scan.dcPredictor) predictor = 0;
  clearBitCount(&state->io);
  if (state->io.pendingMarker == END_OF_DATA) return JPEG_SUCCESS;
  if (state->io.pendingMarker) {
    state->io.pendingMarker = 0;
    return JPEG_SUCCESS;
  }
  int32_t code = 0;
  return readMarker(&state->io, &code);
}

// Restart index: where each MCU row's entropy data begins, kept across
// calls so that later region requests skip the rows above them.
int32_t inputPosition(const EntropyIo& io) { return io.cursor.consumed; }

void storeRestartEntry(JPEG_CODEC_STATE* state, int32_t row, int32_t scanStart) {
  if (row >= RESTART_INDEX_ROWS) return;
  RestartIndexEntry& entry = state->restartIndex[row];
  entry.position = inputPosition(state->io);
  std::memcpy(entry.dcPredictor, state->decodeScan->dcPredictor, sizeof(entry.dcPredictor));
  entry.bitWord0 = static_cast<uint32_t>(state->io.bits);
  entry.bitWord1 = static_cast<uint32_t>(state->io.bits >> 32);
  entry.bitCount = state->io.bitCount;
  entry.pendingMarker = state->io.pendingMarker;
  entry.scanStart = scanStart;
}

JPEG_STATUS loadRestartEntry(JPEG_CODEC_STATE* state, int32_t row) {
  const RestartIndexEntry& entry = state->restartIndex[row];
  EntropyIo& io = state->io;
  StreamCursor& cursor = io.cursor;
  if (io.file) {
    if (!seekCodecFile(io.file, entry.position, CODEC_SEEK_BEGIN)) return JPEG_FILE_ERROR;
    cursor.current = cursor.windowEnd;
    cursor.remaining = 0;
  } else {
    if (entry.position < 0 || entry.position > cursor.windowSize) return JPEG_FILE_ERROR;
    cursor.current = cursor.windowStart + entry.position;
    cursor.remaining = cursor.windowSize - entry.position;
  }
  cursor.consumed = entry.position;
  std::memcpy(state->decodeScan->dcPredictor, entry.dcPredictor, sizeof(entry.dcPredictor));
  io.bits = (uint64_t{entry.bitWord1} << 32) | entry.bitWord0;
  io.bitCount = entry.bitCount;
  io.pendingMarker = entry.pendingMarker;
  return JPEG_SUCCESS;
}

// Moves the input to the nearest indexed row at or above `row`; returns it.
JPEG_STATUS seekNearestRow(JPEG_CODEC_STATE* state, int32_t row, int32_t* reached) {
  const int32_t scanStart = inputPosition(state->io);
  if (!state->restartIndex) {
    state->restartIndex =
        static_cast<RestartIndexEntry*>(std::malloc(RESTART_INDEX_ROWS * sizeof(RestartIndexEntry)));
    if (!state->restartIndex) return JPEG_MEMORY_ERROR;
    for (int32_t i = 0; i < RESTART_INDEX_ROWS; ++i) state->restartIndex[i].position = -1;
  }
  // An index built for another scan or stream is of no use here.
  if (state->restartIndex[0].position != scanStart || state->restartIndex[0].scanStart != scanStart)
    for (int32_t i = 0; i < RESTART_INDEX_ROWS; ++i) state->restartIndex[i].position = -1;
  storeRestartEntry(state, 0, scanStart);
  int32_t nearest = row < RESTART_INDEX_ROWS ? row : RESTART_INDEX_ROWS - 1;
  while (nearest > 0 && state->restartIndex[nearest].position < 0) --nearest;
  *reached = nearest;
  return nearest > 0 ? loadRestartEntry(state, nearest) : JPEG_SUCCESS;
}

JPEG_STATUS runScan(JPEG_CODEC_STATE* state, ScanPlan& plan) {
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
      const bool dataEnded = lastOfRow && entropyDataExhausted(&state->io);
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

bool isProgressiveScan(const JpegScanHeader& scan) {
  return scan.ss != 0 || scan.se != 63 || scan.ah != 0 || scan.al != 0;
}

JPEG_STATUS prepareDecoding(JPEG_CODEC_STATE* state) {
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

JPEG_STATUS decodeScan(JPEG_CODEC_STATE* state) {
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

void finishMultiScanImage(JPEG_CODEC_STATE* state) {
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
