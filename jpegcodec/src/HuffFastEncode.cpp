// Baseline block coders of the vector classes, in two phases: vector
// compares find the non-zero entries, then each code goes together with its
// value bits to a writer that holds the accumulator and the output position
// in registers for the whole block and stores several bytes at once when
// none of them needs stuffing; the bytes equal the portable writer's.
#include "SimdKernels.h"

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>
#include <mmintrin.h>

#include <cstring>

#include "EncOutput.h"
#include "Zigzag.h"

namespace {
// Number of significant bits of a value's magnitude: of a non-zero one, or
// of any (0 for 0).
inline int32_t categoryOfNonZero(int32_t value)
{
    const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
    return (__builtin_clz(magnitude) ^ 31) + 1;
}
inline int32_t categoryOf(int32_t value) { return value ? categoryOfNonZero(value) : 0; }

// A code with its value bits, ready for a writer: bits holds `length` bits
// (the table set-up refuses lists whose codes do not fit their lengths).
struct CodeBits {
    uint64_t bits;
    int32_t length;
};

#define CODER_INLINE __attribute__((always_inline)) inline

// The code of symbol alone.
CODER_INLINE CodeBits symbolCode(const HuffEncodeTable* table, int32_t symbol)
{
    return {table->code[symbol], table->length[symbol]};
}

// The code of symbolBase + size (size: the value's category) followed by
// the size low bits of value, or of value - 1 when negative. For negative
// values, code * 2^size + low bits of (value - 1) equals
// (code + 1) * 2^size + value - 1, which needs no mask.
CODER_INLINE CodeBits valueCode(const HuffEncodeTable* table, int32_t symbolBase, int32_t value, int32_t size)
{
    const int32_t symbol = symbolBase + size;
    const uint32_t negative = static_cast<uint32_t>(value) >> 31;
    const uint64_t leading = uint64_t{table->code[symbol] + negative} << size;
    return {leading + static_cast<uint64_t>(int64_t{value} - negative), table->length[symbol] + size};
}

inline bool holdsFF(uint32_t v) { return ((~v - 0x01010101u) & v & 0x80808080u) != 0; }
inline bool holdsFF(uint64_t v) { return ((~v - 0x0101010101010101u) & v & 0x8080808080808080u) != 0; }

// Stores the top `count` bytes of bits, each 0xFF followed by a stuffed
// zero, and returns the new write position.
__attribute__((noinline)) uint8_t* storeStuffed(uint8_t* next, uint64_t bits, int count)
{
    for (int i = 0; i < count; ++i, bits <<= 8)
        if ((*next++ = static_cast<uint8_t>(bits >> 56)) == 0xFF) *next++ = 0;
    return next;
}

// Most bytes one block can add: 64 codes of up to 32 bits with their value
// bits, three ZRL codes, the 64 bits held before it, every byte stuffed.
constexpr int32_t kMostBlockBytes = 2 * (8 + (67 * 32) / 8);

// The writer near the window's end: four bytes leave as soon as more than
// 32 bits are held, each group after a test for room.
class GroupedWriter {
public:
    explicit GroupedWriter(EntropyIo* io)
        : io_(io),
          bits_(io->bits),
          count_(io->bitCount),
          next_(io->cursor.current),
          end_(io->cursor.windowEnd),
          consumed_(io->cursor.consumed)
    {
    }

    CODER_INLINE JPEG_STATUS put(CodeBits code)
    {
        if (code.length <= 0) return JPEG_SUCCESS;
        count_ += code.length;
        bits_ |= code.bits << (64 - count_);
        JPEG_STATUS status = JPEG_SUCCESS;
        while (status == JPEG_SUCCESS && count_ > 32) status = writeGroup();
        return status;
    }

    // Leaves fewer than 32 bits for the portable writer and stores the state.
    JPEG_STATUS finish(JPEG_STATUS status)
    {
        while (status == JPEG_SUCCESS && count_ >= 32) status = writeGroup();
        io_->bits = bits_;
        io_->bitCount = count_;
        storeCursor();
        return status;
    }

private:
    // The top four bytes of the accumulator, which holds 32 bits or more.
    CODER_INLINE JPEG_STATUS writeGroup()
    {
        const uint32_t group = static_cast<uint32_t>(bits_ >> 32);
        if (holdsFF(group)) return writeStuffedGroup();
        if (end_ - next_ < 4) {
            if (!io_->file) return JPEG_OUTPUT_BUFFER_TOO_SMALL;
            storeCursor();
            const JPEG_STATUS status = flushOutputBuffer(io_);
            loadCursor();
            if (status != JPEG_SUCCESS) return status;
        }
        const uint32_t bigEndian = __builtin_bswap32(group);
        std::memcpy(next_, &bigEndian, sizeof bigEndian);
        next_ += 4;
        consumed_ += 4;
        bits_ <<= 32;
        count_ -= 32;
        return JPEG_SUCCESS;
    }

    // A group with 0xFF bytes: each 0xFF is followed by a stuffed zero, the
    // bytes one by one through the portable emitter.
    __attribute__((noinline)) JPEG_STATUS writeStuffedGroup()
    {
        storeCursor();
        JPEG_STATUS status = JPEG_SUCCESS;
        for (int i = 0; i < 4 && status == JPEG_SUCCESS; ++i) {
            status = emitStuffedByte(io_, static_cast<uint8_t>(bits_ >> 56));
            if (status != JPEG_SUCCESS) break;
            bits_ <<= 8;
            count_ -= 8;
        }
        loadCursor();
        return status;
    }

    void storeCursor()
    {
        io_->cursor.current = next_;
        io_->cursor.consumed = consumed_;
    }
    void loadCursor()
    {
        next_ = io_->cursor.current;
        end_ = io_->cursor.windowEnd;
        consumed_ = io_->cursor.consumed;
    }

    EntropyIo* io_;
    uint64_t bits_;
    int32_t count_;
    uint8_t* next_;
    uint8_t* end_;
    int32_t consumed_;
};

// The writer of a window with room for a whole block, where nothing can
// fail: codes collect from the bottom of a 64-bit buffer, which leaves as
// eight bytes at once whenever it fills. The stream state in EntropyIo
// keeps the portable form (bits from the top, fewer than 32 between blocks).
class WideWriter {
public:
    explicit WideWriter(EntropyIo* io) : io_(io), next_(io->cursor.current)
    {
        const int32_t held = io->bitCount;
        buffer_ = held ? io->bits >> (64 - held) : 0;
        free_ = 64 - held;
    }

    CODER_INLINE JPEG_STATUS put(CodeBits code)
    {
        free_ -= code.length;
        if (free_ >= 0) {
            buffer_ = buffer_ << code.length | code.bits;
            return JPEG_SUCCESS;
        }
        // The code's leading bits fill the buffer; the rest start the next one
        // (the bits above them are shifted out before that buffer leaves).
        buffer_ = buffer_ << (code.length + free_) | code.bits >> -free_;
        if (holdsFF(buffer_)) {
            next_ = storeStuffed(next_, buffer_, 8);
        } else {
            const uint64_t bigEndian = __builtin_bswap64(buffer_);
            std::memcpy(next_, &bigEndian, sizeof bigEndian);
            next_ += 8;
        }
        free_ += 64;
        buffer_ = code.bits;
        return JPEG_SUCCESS;
    }

    JPEG_STATUS finish(JPEG_STATUS status)
    {
        int32_t held = 64 - free_;
        uint64_t top = held ? buffer_ << (64 - held) : 0;
        if (held >= 32) {
            next_ = storeStuffed(next_, top, 4);
            top <<= 32;
            held -= 32;
        }
        io_->bits = top;
        io_->bitCount = held;
        io_->cursor.consumed += static_cast<int32_t>(next_ - io_->cursor.current);
        io_->cursor.current = next_;
        return status;
    }

private:
    EntropyIo* io_;
    uint8_t* next_;
    uint64_t buffer_;
    int32_t free_;
};

inline bool roomForBlock(const EntropyIo* io) { return io->cursor.windowEnd - io->cursor.current >= kMostBlockBytes; }

template <class Writer>
CODER_INLINE JPEG_STATUS putDc(Writer& out, const HuffEncodeTable* table, int32_t* lastDc, int16_t dc)
{
    const int32_t diff = dc - *lastDc;
    *lastDc = dc;
    return out.put(valueCode(table, 0, diff, categoryOf(diff)));
}

// A non-zero AC coefficient after `run` zeros: ZRL codes for each 16 of them.
template <class Writer>
CODER_INLINE JPEG_STATUS putAc(Writer& out, const HuffEncodeTable* table, int32_t run, int32_t value)
{
    JPEG_STATUS status = JPEG_SUCCESS;
    if (__builtin_expect(run > 15, 0))
        for (; run > 15 && status == JPEG_SUCCESS; run -= 16) status = out.put(symbolCode(table, 0xF0));
    return status == JPEG_SUCCESS ? out.put(valueCode(table, run * 16, value, categoryOfNonZero(value))) : status;
}

// Phase 1 of the two-phase coder: which zig-zag entries are not zero. The
// block is tested in natural order, a row of eight per vector step, and each
// row's eight bits are moved to their zig-zag places through a table.
class ZigzagBits {
public:
    ZigzagBits()
    {
        uint64_t bitOfNatural[64];
        for (int k = 0; k < 64; ++k) bitOfNatural[zigzagToNatural[k]] = uint64_t{1} << k;
        for (int row = 0; row < 8; ++row) {
            rows_[row][0] = 0;
            for (int pattern = 1; pattern < 256; ++pattern)  // the pattern without its lowest bit, plus that bit
                rows_[row][pattern] =
                    rows_[row][pattern & (pattern - 1)] | bitOfNatural[8 * row + __builtin_ctz(pattern)];
        }
    }
    uint64_t of(int row, uint32_t pattern) const { return rows_[row][pattern]; }

private:
    uint64_t rows_[8][256];
};
const ZigzagBits kZigzagBits;

// Four bytes of 0x00 or 0x01 gathered into a four-bit pattern (byte i to bit i).
inline uint32_t byteFlags(uint32_t flags) { return flags * 0x01020408u >> 24; }

// 0xFF per zero entry of a row, one byte each.
__attribute__((target("mmx"), always_inline)) inline __m64 zeroBytesOfRow(const int16_t* block, int row)
{
    const __m64 zero = _mm_setzero_si64();
    __m64 left, right;
    std::memcpy(&left, block + 8 * row, sizeof left);
    std::memcpy(&right, block + 8 * row + 4, sizeof right);
    return _mm_packs_pi16(_mm_cmpeq_pi16(left, zero), _mm_cmpeq_pi16(right, zero));
}

__attribute__((target("mmx"))) uint64_t nonZeroAcEntries(const int16_t* block)
{
    uint64_t nonZero = 0;
    for (int row = 0; row < 8; ++row) {
        const __m64 zeros = zeroBytesOfRow(block, row);
        const uint32_t low = static_cast<uint32_t>(_mm_cvtsi64_si32(zeros)) & 0x01010101u;
        const uint32_t high = static_cast<uint32_t>(_mm_cvtsi64_si32(_mm_srli_si64(zeros, 32))) & 0x01010101u;
        nonZero |= kZigzagBits.of(row, ~(byteFlags(low) | byteFlags(high) << 4) & 0xFFu);
    }
    return nonZero & ~uint64_t{1};
}

// The same with the byte mask of the SSE integer instructions (class 5).
__attribute__((target("sse"))) uint64_t nonZeroAcEntriesSse(const int16_t* block)
{
    uint64_t nonZero = 0;
    for (int row = 0; row < 8; ++row)
        nonZero |= kZigzagBits.of(row, ~static_cast<uint32_t>(_mm_movemask_pi8(zeroBytesOfRow(block, row))) & 0xFFu);
    return nonZero & ~uint64_t{1};
}

// The same with 128-bit compares, whose byte mask comes out in one step.
__attribute__((target("sse2"))) uint64_t nonZeroAcEntriesSse2(const int16_t* block)
{
    const __m128i zero = _mm_setzero_si128();
    uint64_t nonZero = 0;
    for (int row = 0; row < 8; row += 2) {
        const __m128i upper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * row));
        const __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * row + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(upper, zero), _mm_cmpeq_epi16(lower, zero));
        const uint32_t pattern = ~static_cast<uint32_t>(_mm_movemask_epi8(zeros));
        nonZero |= kZigzagBits.of(row, pattern & 0xFFu) | kZigzagBits.of(row + 1, pattern >> 8 & 0xFFu);
    }
    return nonZero & ~uint64_t{1};
}

// Phase 2: the codes of the collected entries.
template <class Writer>
JPEG_STATUS codeCollected(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                          int32_t* lastDc, const int16_t* block, uint64_t nonZeroAc)
{
    Writer out(io);
    JPEG_STATUS status = putDc(out, dcTable, lastDc, block[0]);
    int32_t previous = 0;
    for (uint64_t left = nonZeroAc; left && status == JPEG_SUCCESS; left &= left - 1) {
        const int32_t k = __builtin_ctzll(left);
        status = putAc(out, acTable, k - previous - 1, block[zigzagToNatural[k]]);
        previous = k;
    }
    if (status == JPEG_SUCCESS && previous < 63) status = out.put(symbolCode(acTable, 0x00));
    return out.finish(status);
}

template <uint64_t (*kNonZeroAcEntries)(const int16_t*)>
JPEG_STATUS codeTwoPhase(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable, int32_t* lastDc,
                         const int16_t* block)
{
    const uint64_t nonZeroAc = kNonZeroAcEntries(block);
    return roomForBlock(io) ? codeCollected<WideWriter>(io, dcTable, acTable, lastDc, block, nonZeroAc)
                            : codeCollected<GroupedWriter>(io, dcTable, acTable, lastDc, block, nonZeroAc);
}
}  // namespace

JPEG_STATUS huffmanEncodeBlockTwoPhase(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                                       int32_t* lastDc, const int16_t* block)
{
    return codeTwoPhase<nonZeroAcEntries>(io, dcTable, acTable, lastDc, block);
}

JPEG_STATUS huffmanEncodeBlockTwoPhaseSse2(EntropyIo* io, const HuffEncodeTable* dcTable,
                                           const HuffEncodeTable* acTable, int32_t* lastDc, const int16_t* block)
{
    return codeTwoPhase<nonZeroAcEntriesSse2>(io, dcTable, acTable, lastDc, block);
}

JPEG_STATUS huffmanEncodeBlockTwoPhaseSse(EntropyIo* io, const HuffEncodeTable* dcTable, const HuffEncodeTable* acTable,
                                          int32_t* lastDc, const int16_t* block)
{
    return codeTwoPhase<nonZeroAcEntriesSse>(io, dcTable, acTable, lastDc, block);
}

#endif
