#include "ProgDecoder.h"

#include <cstddef>
#include <cstdlib>

#include "CpuDispatch.h"
#include "FrameBlocks.h"
#include "EntropyInput.h"
#include "ScanDecoder.h"
#include "Zigzag.h"

namespace {
// One allocation stays below 2 GiB; a larger picture is a memory error.
constexpr int64_t kMaxStoreBytes = 0x7FFFFFFF;
// Real encoders write a dozen scans or so; more only make a stream's cost
// grow without its bytes (libjpeg-turbo's tools stop at 500 as well).
constexpr int32_t kMaxScans = 500;

// Where the data of a scan ran out before its blocks did, the status the
// baseline decoder gives for it.
JPEG_STATUS exhaustionStatus(const EntropyIo* io)
{
    return io->pendingMarker == END_OF_DATA ? JPEG_EOF_ERROR : JPEG_DATA_ERROR;
}

int16_t* storedBlock(const JPEG_CODEC_STATE* state, int32_t component, int32_t bx, int32_t by)
{
    const JpegFrameInfo& frame = state->frame;
    const int32_t h = frame.components[component].horizontalFactor, v = frame.components[component].verticalFactor;
    const int64_t mcu = int64_t{by / v} * state->mcusPerRow + bx / h;
    const int64_t index = mcu * blocksPerMcu(frame) + firstBlockOf(frame, component) + (by % v) * h + bx % h;
    return state->coefficientStore + index * 64;
}

JPEG_STATUS allocateStore(JPEG_CODEC_STATE* state)
{
    if (state->coefficientStore) return JPEG_SUCCESS;
    const int64_t blocks = int64_t{blocksPerMcu(state->frame)} * state->mcusPerRow * state->mcuRows;
    const int64_t bytes = blocks * 64 * static_cast<int64_t>(sizeof(int16_t));
    if (bytes <= 0 || bytes > kMaxStoreBytes) return JPEG_MEMORY_ERROR;
    state->coefficientStore = static_cast<int16_t*>(std::calloc(static_cast<size_t>(blocks), 64 * sizeof(int16_t)));
    return state->coefficientStore ? JPEG_SUCCESS : JPEG_MEMORY_ERROR;
}

// A progressive scan is a DC scan (0..0, any components) or an AC band of
// one component (T.81 G.1.1.1.1).
bool validScan(const JpegScanHeader& scan)
{
    if (scan.al > 13 || (scan.ah != 0 && scan.ah != scan.al + 1)) return false;
    if (scan.ss == 0) return scan.se == 0;
    return scan.componentCount == 1 && scan.se >= scan.ss && scan.se <= 63;
}

// Decodes one scan's bands (T.81 G.2) block by block.
class ProgressiveScanDecoder {
public:
    explicit ProgressiveScanDecoder(JPEG_CODEC_STATE* state) : state_(state), scan_(*state->decodeScan), io_(&state->io)
    {
    }

    JPEG_STATUS run()
    {
        io_->eobRun = 0;
        for (int32_t& predictor : scan_.dcPredictor) predictor = 0;
        const JPEG_STATUS status = scan_.componentCount == 1 ? runComponentRaster() : runMcuRaster();
        clearBitCount(io_);
        return status;
    }

private:
    // A single-component scan visits the blocks of that component that lie
    // in the image, in its own raster; each block is one MCU.
    JPEG_STATUS runComponentRaster()
    {
        const JpegFrameInfo& frame = state_->frame;
        const JpegScanComponent& component = scan_.components[0];
        const int32_t columns = ((frame.width * component.horizontalFactor + frame.maxH - 1) / frame.maxH + 7) / 8;
        const int32_t rows = ((frame.height * component.verticalFactor + frame.maxV - 1) / frame.maxV + 7) / 8;
        for (int32_t by = 0; by < rows; ++by)
            for (int32_t bx = 0; bx < columns; ++bx) {
                JPEG_STATUS status = decodeBlock(0, storedBlock(state_, component.frameIndex, bx, by));
                if (status == JPEG_SUCCESS) status = restartAfter(by * columns + bx + 1, rows * columns);
                if (status != JPEG_SUCCESS) return status;
                if (bx + 1 == columns && entropyDataExhausted(io_, scan_.restartInterval != 0))
                    return exhaustionStatus(io_);
            }
        return JPEG_SUCCESS;
    }

    JPEG_STATUS runMcuRaster()
    {
        const int32_t columns = state_->mcusPerRow, rows = state_->mcuRows;
        for (int32_t y = 0; y < rows; ++y)
            for (int32_t x = 0; x < columns; ++x) {
                for (int32_t i = 0; i < scan_.componentCount; ++i) {
                    const JpegScanComponent& component = scan_.components[i];
                    for (int32_t v = 0; v < component.verticalFactor; ++v)
                        for (int32_t h = 0; h < component.horizontalFactor; ++h) {
                            int16_t* block =
                                storedBlock(state_, component.frameIndex, x * component.horizontalFactor + h,
                                            y * component.verticalFactor + v);
                            const JPEG_STATUS status = decodeBlock(i, block);
                            if (status != JPEG_SUCCESS) return status;
                        }
                }
                const JPEG_STATUS status = restartAfter(y * columns + x + 1, rows * columns);
                if (status != JPEG_SUCCESS) return status;
                if (x + 1 == columns && entropyDataExhausted(io_, scan_.restartInterval != 0))
                    return exhaustionStatus(io_);
            }
        return JPEG_SUCCESS;
    }

    JPEG_STATUS decodeBlock(int32_t scanComponent, int16_t* block)
    {
        if (scan_.ss == 0) return scan_.ah == 0 ? dcFirst(scanComponent, block) : dcRefine(block);
        return scan_.ah == 0 ? acFirst(block) : acRefine(block);
    }

    JPEG_STATUS dcFirst(int32_t scanComponent, int16_t* block)
    {
        const HuffDecodeTable* table = scan_.components[scanComponent].dcTable;
        if (!table) return JPEG_NO_HUFFMAN_TABLE;
        const int32_t size = decodeHuffman(io_, table) & 15;
        int32_t& predictor = scan_.dcPredictor[scanComponent];
        // Wraps at 16 bits as the baseline decoder's predictor does.
        predictor = static_cast<int16_t>(predictor + (size ? extend(getBits(io_, size), size) : 0));
        block[0] = static_cast<int16_t>(predictor * (1 << scan_.al));
        return JPEG_SUCCESS;
    }

    JPEG_STATUS dcRefine(int16_t* block)
    {
        if (getBits(io_, 1)) block[0] = static_cast<int16_t>(block[0] | (1 << scan_.al));
        return JPEG_SUCCESS;
    }

    JPEG_STATUS acFirst(int16_t* block)
    {
        const HuffDecodeTable* table = scan_.components[0].acTable;
        if (!table) return JPEG_NO_HUFFMAN_TABLE;
        if (io_->eobRun > 0) {
            --io_->eobRun;
            return JPEG_SUCCESS;
        }
        for (int32_t k = scan_.ss; k <= scan_.se; ++k) {
            const int32_t symbol = decodeHuffman(io_, table);
            const int32_t run = symbol >> 4, size = symbol & 15;
            if (size) {
                k += run;
                if (k > 63) break;  // damaged data: nothing lies beyond the block
                block[zigzagToNatural[k]] = static_cast<int16_t>(extend(getBits(io_, size), size) * (1 << scan_.al));
            } else if (run == 15) {
                k += 15;
            } else {
                // EOBn: this block and the next 2^n - 1 + (n bits) blocks end here.
                io_->eobRun = (1 << run) - 1 + (run ? static_cast<int32_t>(getBits(io_, run)) : 0);
                break;
            }
        }
        return JPEG_SUCCESS;
    }

    // Correction bit of a coefficient already significant: its magnitude
    // gains the bit at Al, away from zero.
    void refine(int16_t* coefficient)
    {
        if (!getBits(io_, 1)) return;
        const int32_t bit = 1 << scan_.al;
        if ((*coefficient & bit) == 0)
            *coefficient = static_cast<int16_t>(*coefficient >= 0 ? *coefficient + bit : *coefficient - bit);
    }

    JPEG_STATUS acRefine(int16_t* block)
    {
        const HuffDecodeTable* table = scan_.components[0].acTable;
        if (!table) return JPEG_NO_HUFFMAN_TABLE;
        int32_t k = scan_.ss;
        if (io_->eobRun == 0) {
            for (; k <= scan_.se; ++k) {
                const int32_t symbol = decodeHuffman(io_, table);
                int32_t run = symbol >> 4;
                int32_t value = 0;
                if (symbol & 15) {
                    value = getBits(io_, 1) ? 1 << scan_.al : -(1 << scan_.al);
                } else if (run != 15) {
                    io_->eobRun = (1 << run) + (run ? static_cast<int32_t>(getBits(io_, run)) : 0);
                    break;
                }
                // Pass over `run` zero coefficients, refining the significant ones on the way.
                for (; k <= scan_.se; ++k) {
                    int16_t* coefficient = &block[zigzagToNatural[k]];
                    if (*coefficient != 0)
                        refine(coefficient);
                    else if (--run < 0)
                        break;
                }
                if (value && k <= 63) block[zigzagToNatural[k]] = static_cast<int16_t>(value);
            }
        }
        if (io_->eobRun > 0) {
            for (; k <= scan_.se; ++k)
                if (block[zigzagToNatural[k]] != 0) refine(&block[zigzagToNatural[k]]);
            --io_->eobRun;
        }
        return JPEG_SUCCESS;
    }

    // After every restart interval but the last: predictors and EOB run start
    // again, and the RSTn marker must stand in the data.
    JPEG_STATUS restartAfter(int32_t done, int32_t total)
    {
        const int32_t interval = scan_.restartInterval;
        if (interval == 0 || done % interval != 0 || done >= total) return JPEG_SUCCESS;
        for (int32_t& predictor : scan_.dcPredictor) predictor = 0;
        io_->eobRun = 0;
        clearBitCount(io_);
        int32_t code = io_->pendingMarker;
        io_->pendingMarker = 0;
        if (code == 0) {
            const JPEG_STATUS status = readMarker(io_, &code);
            if (status != JPEG_SUCCESS) return status;
        }
        return code >= 0xD0 && code <= 0xD7 ? JPEG_SUCCESS : JPEG_BAD_RST_MARKER;
    }

    JPEG_CODEC_STATE* state_;
    JpegScanHeader& scan_;
    EntropyIo* io_;
};
}  // namespace

void resetProgressiveFrame(JPEG_CODEC_STATE* state)
{
    std::free(state->coefficientStore);
    state->coefficientStore = nullptr;
    state->progressiveScans = 0;
}

JPEG_STATUS decodeProgressiveScan(JPEG_CODEC_STATE* state)
{
    if (!validScan(*state->decodeScan) || state->progressiveScans > kMaxScans) return JPEG_DATA_ERROR;
    // Every scan codes at least one bit; one that holds none allocates nothing.
    EntropyIo* io = &state->io;
    fillBits(io);
    if (io->paddingBits >= io->bitCount) return exhaustionStatus(io);
    const JPEG_STATUS status = allocateStore(state);
    if (status != JPEG_SUCCESS) return status;
    return ProgressiveScanDecoder(state).run();
}

void loadStoredBlock(const JPEG_CODEC_STATE* state, int32_t component, int32_t bx, int32_t by, int16_t* block)
{
    byteCopy(block, storedBlock(state, component, bx, by), 64 * sizeof(int16_t));
}

JPEG_STATUS outputProgressiveImage(JPEG_CODEC_STATE* state)
{
    if (!state->coefficientStore || !state->decodeScan) return JPEG_NO_IMAGE;
    // One interleaved pass over every component, fed from the store.
    JpegScanHeader& scan = *state->decodeScan;
    const JpegFrameInfo& frame = state->frame;
    scan = JpegScanHeader{};
    scan.componentCount = frame.componentCount;
    scan.se = 63;
    for (int32_t c = 0; c < frame.componentCount; ++c) {
        const ComponentSpec& comp = frame.components[c];
        const JpegQuantTable* quant =
            comp.quantTable >= 0 && comp.quantTable < 4 ? state->preparedQuant[comp.quantTable] : nullptr;
        if (!quant) return JPEG_NO_QUANT_TABLE;
        scan.components[c] = JpegScanComponent{c, comp.horizontalFactor, comp.verticalFactor, nullptr, nullptr, quant};
    }
    // The store is complete: the picture is made in one go, not MCU by MCU.
    const int32_t interrupt = state->interruptEachMcu;
    state->interruptEachMcu = 0;
    const JPEG_STATUS status = decodeScan(state);
    state->interruptEachMcu = interrupt;
    return status;
}
