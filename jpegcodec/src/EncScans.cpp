#include "EncScans.h"

#include <cstddef>
#include <cstdlib>

#include "CpuDispatch.h"
#include "FrameBlocks.h"
#include "EncHuffopt.h"
#include "EncMarkers.h"
#include "EncOutput.h"
#include "EncTables.h"
#include "Zigzag.h"

namespace {
enum { kDcSlots = 0, kAcSlots = 4, kHuffSlots = 8 };

int32_t dcSlotOf(const JPEG_CODEC_STATE* state, int32_t component) { return kDcSlots + state->dcTableIndex[component]; }
int32_t acSlotOf(const JPEG_CODEC_STATE* state, int32_t component) { return kAcSlots + state->acTableIndex[component]; }

// The caller's planes in place of the bitmap: each block's eight rows from
// the component's plane, which holds mcusPerRow * H * 8 values a line.
void loadCallerPlanes(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const JpegCoefficientOutput* given = state->coefficientOutput;
    const JpegFrameInfo& frame = state->frame;
    int16_t* block = state->mcuBuffer;
    for (int32_t c = 0; c < frame.componentCount; ++c) {
        const int32_t h = frame.components[c].horizontalFactor, v = frame.components[c].verticalFactor;
        const ptrdiff_t lineWidth = static_cast<ptrdiff_t>(frame.mcusPerRow) * h * 8;
        for (int32_t bv = 0; bv < v; ++bv)
            for (int32_t bh = 0; bh < h; ++bh, block += 64) {
                const int16_t* source = given->planes[c] + static_cast<ptrdiff_t>((mcuRow * v + bv) * 8) * lineWidth +
                                        (mcuColumn * h + bh) * 8;
                for (int row = 0; row < 8; ++row, source += lineWidth) byteCopy(block + row * 8, source, 16);
            }
    }
    // Mode 0 planes hold quantised coefficients; the others samples 0..255.
    if (given->mode != 0)
        for (int32_t i = 0; i < blocksPerMcu(frame) * 64; ++i) state->mcuBuffer[i] -= 128;
}

// One MCU's quantised coefficients into the MCU buffer.
void prepareMcu(JPEG_CODEC_STATE* state, int32_t mcuColumn, int32_t mcuRow)
{
    const CpuDispatchTable* table = state->io.cpuTable;
    const JpegCoefficientOutput* given = state->coefficientOutput;
    if (given)
        loadCallerPlanes(state, mcuColumn, mcuRow);
    else
        table->ccEncodeMcu(state, mcuColumn, mcuRow);
    if (given && given->mode == 0) return;
    const JpegFrameInfo& frame = state->frame;
    int16_t* block = state->mcuBuffer;
    for (int32_t c = 0; c < frame.componentCount; ++c) {
        const uint16_t* divisors = state->quantTables[frame.components[c].quantTable].encode;
        for (int32_t b = 0; b < frame.components[c].horizontalFactor * frame.components[c].verticalFactor; ++b) {
            table->activeForwardDct(block);
            table->activeQuantize(block, divisors);
            block += 64;
        }
    }
}

JPEG_STATUS encodeMcuBlocks(JPEG_CODEC_STATE* state, JpegEncodeScan* scan)
{
    const JpegFrameInfo& frame = state->frame;
    const int16_t* block = state->mcuBuffer;
    for (int32_t c = 0; c < frame.componentCount; ++c)
        for (int32_t b = 0; b < frame.components[c].horizontalFactor * frame.components[c].verticalFactor; ++b) {
            const JPEG_STATUS status = state->io.cpuTable->huffmanEncodeBlock(
                &state->io, &state->huffTables[dcSlotOf(state, c)].encode,
                &state->huffTables[acSlotOf(state, c)].encode, &scan->lastDc[c], block);
            if (status != JPEG_SUCCESS) return status;
            block += 64;
        }
    return JPEG_SUCCESS;
}

// After every Ri-th MCU (the last one included): RSTn, n counting 0..7.
JPEG_STATUS finishRestartInterval(JPEG_CODEC_STATE* state, JpegEncodeScan* scan)
{
    const int32_t interval = state->restartInterval;
    if (interval <= 0 || ++scan->restartCount % interval != 0) return JPEG_SUCCESS;
    const int32_t n = (scan->restartCount / interval - 1) % 8;
    if (n == 7) scan->restartCount = 0;
    JPEG_STATUS status = flushBits(&state->io);
    if (status == JPEG_SUCCESS) status = writeRestartMarker(state, n);
    for (int32_t& dc : scan->lastDc) dc = 0;
    return status;
}
}  // namespace

JPEG_STATUS encodeScanBaseline(JPEG_CODEC_STATE* state, JpegEncodeScan* scan)
{
    const JpegFrameInfo& frame = state->frame;
    const int32_t mcuRows = state->mcuRows;
    for (int32_t row = scan->nextRow; row < mcuRows; ++row) {
        for (int32_t column = row == scan->nextRow ? scan->nextColumn : 0; column < frame.mcusPerRow; ++column) {
            prepareMcu(state, column, row);
            JPEG_STATUS status = encodeMcuBlocks(state, scan);
            if (status == JPEG_SUCCESS) status = finishRestartInterval(state, scan);
            if (status != JPEG_SUCCESS) return status;
            if (state->interruptEachMcu) {
                state->region = JpegRegion{column, row, column, row};
                scan->nextColumn = column + 1 < frame.mcusPerRow ? column + 1 : 0;
                scan->nextRow = column + 1 < frame.mcusPerRow ? row : row + 1;
                state->io.cpuTable->endKernels();
                return JPEG_INTERRUPT_SUCCESS;
            }
        }
    }
    scan->nextRow = mcuRows;
    scan->nextColumn = 0;
    const JPEG_STATUS status = flushBits(&state->io);
    state->io.cpuTable->endKernels();
    return status;
}

namespace {
// One scan of a progressive script; component -1 stands for all components.
struct ScanStep {
    int8_t component;
    uint8_t ss, se, ah, al;
};

const ScanStep kGreyScript[] = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 2},  {0, 6, 63, 0, 2},
                                {0, 1, 63, 2, 1}, {-1, 0, 0, 1, 0}, {0, 1, 63, 1, 0}};
const ScanStep kTwoChannelScript[] = {
    {-1, 0, 0, 0, 0}, {0, 1, 5, 0, 0}, {1, 1, 5, 0, 0}, {0, 6, 63, 0, 0}, {1, 6, 63, 0, 0}};
const ScanStep kYccScript[] = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 2},  {2, 1, 63, 0, 1}, {1, 1, 63, 0, 1},
                               {0, 6, 63, 0, 2}, {0, 1, 63, 2, 1}, {-1, 0, 0, 1, 0}, {2, 1, 63, 1, 0},
                               {1, 1, 63, 1, 0}, {0, 1, 63, 1, 0}};
const ScanStep kThreeChannelScript[] = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 0},  {1, 1, 5, 0, 0},  {2, 1, 5, 0, 0},
                                        {-1, 0, 0, 1, 0}, {0, 6, 63, 0, 0}, {1, 6, 63, 0, 0}, {2, 6, 63, 0, 0}};
const ScanStep kYcckScript[] = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 2},  {2, 1, 63, 0, 1}, {1, 1, 63, 0, 1},
                                {3, 1, 63, 0, 0}, {0, 6, 63, 0, 2}, {0, 1, 63, 2, 1}, {-1, 0, 0, 1, 0},
                                {2, 1, 63, 1, 0}, {1, 1, 63, 1, 0}, {0, 1, 63, 1, 0}};
const ScanStep kFourChannelScript[] = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 0},  {1, 1, 5, 0, 0},  {2, 1, 5, 0, 0},
                                       {3, 1, 5, 0, 0},  {-1, 0, 0, 1, 0}, {0, 6, 63, 0, 0}, {1, 6, 63, 0, 0},
                                       {2, 6, 63, 0, 0}, {3, 6, 63, 0, 0}};

struct Script {
    const ScanStep* steps;
    int32_t count;
};

template <size_t N>
Script scriptOf(const ScanStep (&steps)[N])
{
    return {steps, static_cast<int32_t>(N)};
}

Script scriptFor(int32_t channels, int32_t color)
{
    if (channels == 1 && color == JPEG_COLOR_GREY) return scriptOf(kGreyScript);
    if (channels == 2 && color == JPEG_COLOR_OTHER) return scriptOf(kTwoChannelScript);
    if (channels == 3 && color == JPEG_COLOR_YCBCR) return scriptOf(kYccScript);
    if (channels == 3 && (color == JPEG_COLOR_RGB || color == JPEG_COLOR_OTHER)) return scriptOf(kThreeChannelScript);
    if (channels == 4 && color == JPEG_COLOR_YCCK) return scriptOf(kYcckScript);
    if (channels == 4 && (color == JPEG_COLOR_CMYK || color == JPEG_COLOR_OTHER)) return scriptOf(kFourChannelScript);
    return {nullptr, 0};
}

JpegEncodeScan scanOf(const JpegFrameInfo& frame, const ScanStep& step)
{
    JpegEncodeScan scan = {};
    scan.ss = step.ss;
    scan.se = step.se;
    scan.ah = step.ah;
    scan.al = step.al;
    for (int32_t c = 0; c < frame.componentCount; ++c) {
        if (step.component >= 0 && step.component != c) continue;
        JpegEncodeScanComponent& entry = scan.components[scan.componentCount++];
        entry.frameIndex = c;
        entry.horizontalFactor = frame.components[c].horizontalFactor;
        entry.verticalFactor = frame.components[c].verticalFactor;
    }
    return scan;
}

// Where a scan's symbols and bits go: out through the bit writer, or into
// the symbol counts the scan's optimal tables are built from.
class EmittingSink {
public:
    explicit EmittingSink(JPEG_CODEC_STATE* state) : state_(state) {}
    JPEG_STATUS symbol(int32_t slot, int32_t value)
    {
        return putSymbol(&state_->io, &state_->huffTables[slot].encode, value);
    }
    JPEG_STATUS bits(uint32_t value, int32_t count) { return putBits(&state_->io, value, count); }

private:
    JPEG_CODEC_STATE* state_;
};

class CountingSink {
public:
    explicit CountingSink(uint32_t (*counts)[HUFF_FREQUENCY_ENTRIES]) : counts_(counts) {}
    JPEG_STATUS symbol(int32_t slot, int32_t value)
    {
        ++counts_[slot][value];
        return JPEG_SUCCESS;
    }
    JPEG_STATUS bits(uint32_t, int32_t) { return JPEG_SUCCESS; }

private:
    uint32_t (*counts_)[HUFF_FREQUENCY_ENTRIES];
};

#define RETURN_IF_FAILED(expression)                 \
    do {                                             \
        const JPEG_STATUS failed_ = (expression);    \
        if (failed_ != JPEG_SUCCESS) return failed_; \
    } while (0)

// Codes one progressive scan over the whole-image coefficient buffer (T.81
// G.1.2); the same walk serves the symbol count and the emission.
template <class Sink>
class ProgressiveScanCoder {
public:
    ProgressiveScanCoder(const JPEG_CODEC_STATE* state, const JpegEncodeScan& scan, const int16_t* coefficients,
                         Sink& sink)
        : state_(state), scan_(scan), coefficients_(coefficients), sink_(sink)
    {
    }

    JPEG_STATUS run() { return scan_.ss == 0 ? codeDcScan() : codeAcScan(); }

private:
    // A run of 2^n..2^(n+1)-1 empty bands is symbol n*16 and n bits of the run.
    static constexpr int32_t kMaxEobRun = 0x7FFF;
    // Correction bits held back behind an EOB run before it is forced out.
    static constexpr int32_t kCorrectionLimit = 1000;

    const int16_t* blockAt(int32_t mcuIndex, int32_t blockInMcu) const
    {
        return coefficients_ + (static_cast<ptrdiff_t>(mcuIndex) * blocksPerMcu(state_->frame) + blockInMcu) * 64;
    }

    JPEG_STATUS codeDcScan()
    {
        const JpegFrameInfo& frame = state_->frame;
        int32_t last[JPEG_MAX_COMPONENTS] = {};
        for (int32_t mcu = 0; mcu < frame.mcuCount; ++mcu)
            for (int32_t i = 0; i < scan_.componentCount; ++i) {
                const JpegEncodeScanComponent& component = scan_.components[i];
                const int32_t first = firstBlockOf(frame, component.frameIndex);
                for (int32_t b = 0; b < component.horizontalFactor * component.verticalFactor; ++b) {
                    const int32_t value = blockAt(mcu, first + b)[0] >> scan_.al;
                    if (scan_.ah != 0) {
                        RETURN_IF_FAILED(sink_.bits(static_cast<uint32_t>(value) & 1, 1));
                        continue;
                    }
                    const int32_t diff = value - last[i];
                    last[i] = value;
                    const int32_t size = magnitudeCategory(static_cast<uint32_t>(diff < 0 ? -diff : diff));
                    RETURN_IF_FAILED(sink_.symbol(dcSlotOf(state_, component.frameIndex), size));
                    RETURN_IF_FAILED(sink_.bits(static_cast<uint32_t>(diff < 0 ? diff - 1 : diff), size));
                }
            }
        return JPEG_SUCCESS;
    }

    JPEG_STATUS codeAcScan()
    {
        const JpegFrameInfo& frame = state_->frame;
        const JpegEncodeScanComponent& component = scan_.components[0];
        const int32_t h = component.horizontalFactor, v = component.verticalFactor;
        acSlot_ = acSlotOf(state_, component.frameIndex);
        // The component's own block raster: its samples cover ceil(width * H / Hmax) columns.
        const int32_t blockColumns = ((frame.width * h + frame.maxH - 1) / frame.maxH + 7) / 8;
        const int32_t blockRows = ((frame.height * v + frame.maxV - 1) / frame.maxV + 7) / 8;
        const int32_t first = firstBlockOf(frame, component.frameIndex);
        for (int32_t by = 0; by < blockRows; ++by)
            for (int32_t bx = 0; bx < blockColumns; ++bx) {
                const int32_t mcu = (by / v) * frame.mcusPerRow + bx / h;
                const int16_t* block = blockAt(mcu, first + (by % v) * h + bx % h);
                RETURN_IF_FAILED(scan_.ah == 0 ? codeAcFirst(block) : codeAcRefinement(block));
            }
        return emitEobRun();
    }

    JPEG_STATUS codeAcFirst(const int16_t* block)
    {
        int32_t run = 0;
        for (int32_t k = scan_.ss; k <= scan_.se; ++k) {
            const int32_t c = block[zigzagToNatural[k]];
            const int32_t magnitude = (c < 0 ? -c : c) >> scan_.al;
            if (magnitude == 0) {
                ++run;
                continue;
            }
            RETURN_IF_FAILED(emitEobRun());
            for (; run > 15; run -= 16) RETURN_IF_FAILED(sink_.symbol(acSlot_, 0xF0));
            const int32_t size = magnitudeCategory(static_cast<uint32_t>(magnitude));
            RETURN_IF_FAILED(sink_.symbol(acSlot_, run * 16 + size));
            RETURN_IF_FAILED(sink_.bits(static_cast<uint32_t>(c < 0 ? ~magnitude : magnitude), size));
            run = 0;
        }
        if (run > 0 && ++eobRun_ == kMaxEobRun) return emitEobRun();
        return JPEG_SUCCESS;
    }

    // Coefficients already significant get one correction bit each, held back
    // until the next coded symbol; newly significant ones are coded as run/1.
    JPEG_STATUS codeAcRefinement(const int16_t* block)
    {
        int32_t magnitudes[64];
        int32_t lastNewlySignificant = 0;
        for (int32_t k = scan_.ss; k <= scan_.se; ++k) {
            const int32_t c = block[zigzagToNatural[k]];
            magnitudes[k] = (c < 0 ? -c : c) >> scan_.al;
            if (magnitudes[k] == 1) lastNewlySignificant = k;
        }
        int32_t run = 0, blockBits = 0;
        uint8_t* blockCorrections = corrections_ + pendingCorrections_;
        for (int32_t k = scan_.ss; k <= scan_.se; ++k) {
            if (magnitudes[k] == 0) {
                ++run;
                continue;
            }
            while (run > 15 && k <= lastNewlySignificant) {
                RETURN_IF_FAILED(emitEobRun());
                RETURN_IF_FAILED(sink_.symbol(acSlot_, 0xF0));
                run -= 16;
                RETURN_IF_FAILED(emitCorrections(blockCorrections, blockBits));
                blockCorrections = corrections_;
                blockBits = 0;
            }
            if (magnitudes[k] > 1) {
                blockCorrections[blockBits++] = static_cast<uint8_t>(magnitudes[k] & 1);
                continue;
            }
            RETURN_IF_FAILED(emitEobRun());
            RETURN_IF_FAILED(sink_.symbol(acSlot_, run * 16 + 1));
            RETURN_IF_FAILED(sink_.bits(block[zigzagToNatural[k]] < 0 ? 0 : 1, 1));
            RETURN_IF_FAILED(emitCorrections(blockCorrections, blockBits));
            blockCorrections = corrections_;
            blockBits = 0;
            run = 0;
        }
        if (run > 0 || blockBits > 0) {
            ++eobRun_;
            pendingCorrections_ += blockBits;
            if (eobRun_ == kMaxEobRun || pendingCorrections_ > kCorrectionLimit - 63) return emitEobRun();
        }
        return JPEG_SUCCESS;
    }

    // The pending EOB run (T.81 G.1.2.2: EOBn with n = category(run) - 1 and
    // the run's n low bits), followed by the correction bits it held back.
    JPEG_STATUS emitEobRun()
    {
        if (eobRun_ > 0) {
            const int32_t n = magnitudeCategory(static_cast<uint32_t>(eobRun_)) - 1;
            RETURN_IF_FAILED(sink_.symbol(acSlot_, n * 16));
            RETURN_IF_FAILED(sink_.bits(static_cast<uint32_t>(eobRun_), n));
            eobRun_ = 0;
        }
        const int32_t pending = pendingCorrections_;
        pendingCorrections_ = 0;
        return emitCorrections(corrections_, pending);
    }

    JPEG_STATUS emitCorrections(const uint8_t* bits, int32_t count)
    {
        for (int32_t i = 0; i < count; ++i) RETURN_IF_FAILED(sink_.bits(bits[i], 1));
        return JPEG_SUCCESS;
    }

    const JPEG_CODEC_STATE* state_;
    const JpegEncodeScan& scan_;
    const int16_t* coefficients_;
    Sink& sink_;
    int32_t acSlot_ = kAcSlots;
    int32_t eobRun_ = 0;
    int32_t pendingCorrections_ = 0;
    uint8_t corrections_[kCorrectionLimit];
};

// The whole image's quantised blocks, MCU by MCU in the MCU buffer's layout.
class CoefficientBuffer {
public:
    ~CoefficientBuffer() { std::free(blocks_); }
    JPEG_STATUS fill(JPEG_CODEC_STATE* state)
    {
        const JpegFrameInfo& frame = state->frame;
        const int64_t perMcu = int64_t{blocksPerMcu(frame)} * 64;
        const int64_t bytes = perMcu * frame.mcuCount * static_cast<int64_t>(sizeof(int16_t));
        if (bytes <= 0 || static_cast<uint64_t>(bytes) > kMaxBytes) return JPEG_MEMORY_ERROR;
        blocks_ = static_cast<int16_t*>(std::malloc(static_cast<size_t>(bytes)));
        if (!blocks_) return JPEG_MEMORY_ERROR;
        int16_t* mcu = blocks_;
        for (int32_t row = 0; row < state->mcuRows; ++row)
            for (int32_t column = 0; column < frame.mcusPerRow; ++column, mcu += perMcu) {
                prepareMcu(state, column, row);
                byteCopy(mcu, state->mcuBuffer, static_cast<int32_t>(perMcu * sizeof(int16_t)));
            }
        return JPEG_SUCCESS;
    }
    const int16_t* blocks() const { return blocks_; }

private:
    // One allocation stays below 2 GiB, which a 32-bit process cannot exceed
    // anyway; larger pictures are refused as a memory error.
    static constexpr uint64_t kMaxBytes = 0x7FFFFFFF;
    int16_t* blocks_ = nullptr;
};

// The tables a scan codes with, each built from the scan's own symbol counts
// and announced in a DHT segment. DC refinement scans use no table.
JPEG_STATUS writeOptimalTables(JPEG_CODEC_STATE* state, const JpegEncodeScan& scan, const int16_t* coefficients)
{
    if (scan.ss == 0 && scan.ah != 0) return JPEG_SUCCESS;
    static_assert(kHuffSlots == 8, "four DC and four AC slots");
    auto* counts = static_cast<uint32_t(*)[HUFF_FREQUENCY_ENTRIES]>(
        std::calloc(kHuffSlots, sizeof(uint32_t[HUFF_FREQUENCY_ENTRIES])));
    if (!counts) return JPEG_MEMORY_ERROR;
    CountingSink sink(counts);
    ProgressiveScanCoder<CountingSink>(state, scan, coefficients, sink).run();
    bool used[kHuffSlots] = {};
    for (int32_t i = 0; i < scan.componentCount; ++i) {
        const int32_t c = scan.components[i].frameIndex;
        used[scan.ss == 0 ? dcSlotOf(state, c) : acSlotOf(state, c)] = true;
    }
    JPEG_STATUS status = JPEG_SUCCESS;
    for (int32_t slot = 0; slot < kHuffSlots && status == JPEG_SUCCESS; ++slot) {
        if (!used[slot]) continue;
        uint8_t bits[16], values[256];
        computeHuffmanLengths(counts[slot], bits, values);
        status = writeDhtMarker(state, slot >= kAcSlots, slot & 3, bits, values);
        if (status == JPEG_SUCCESS) status = buildEncoderHuffman(bits, values, &state->huffTables[slot].encode);
        state->preparedHuff[slot] = &state->huffTables[slot];
    }
    std::free(counts);
    return status;
}
}  // namespace

JPEG_STATUS encodeProgressiveFrame(JPEG_CODEC_STATE* state)
{
    const Script script = scriptFor(state->frame.componentCount, state->stream.color);
    if (!script.steps) return JPEG_INVALID_PROPERTIES;
    CoefficientBuffer coefficients;
    RETURN_IF_FAILED(coefficients.fill(state));
    RETURN_IF_FAILED(writeSof2Marker(state));
    for (int32_t i = 0; i < script.count; ++i) {
        const JpegEncodeScan scan = scanOf(state->frame, script.steps[i]);
        RETURN_IF_FAILED(writeOptimalTables(state, scan, coefficients.blocks()));
        RETURN_IF_FAILED(writeSosProgressive(state, &scan));
        EmittingSink sink(state);
        RETURN_IF_FAILED(ProgressiveScanCoder<EmittingSink>(state, scan, coefficients.blocks(), sink).run());
        RETURN_IF_FAILED(flushBits(&state->io));
        state->io.cpuTable->endKernels();
    }
    return JPEG_SUCCESS;
}
