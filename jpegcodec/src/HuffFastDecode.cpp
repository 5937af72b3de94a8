// Baseline block decoders of the vector classes. They hold the bit window
// in registers for a whole block with the valid bits at the top of a 64-bit
// word, so a symbol is one shift and one look-up, and they refill it a byte
// at a time (class 3) or with as many whole bytes as fit from one eight-byte
// load (classes 4-6). Markers and the end of the data are met the
// same way as by the portable reader (zero bits from there on, the same
// padding count), so a damaged scan ends with the same status and the same
// coefficients on every class.
#include "SimdKernels.h"

#include <cstring>

#ifdef JPEGCODEC_HAS_X86_KERNELS
#include <emmintrin.h>
#endif

#include "EntropyInput.h"
#include "Zigzag.h"

namespace {
// Bits a block decoder asks for before each symbol: the longest code (16)
// and the longest value (15).
constexpr int32_t kSymbolBits = 32;

// The window of a block decoder, held in registers; the source holds it in
// the same form between blocks.
struct BitWindow {
    uint64_t bits;  // valid bits from the top down, zeros below them
    int32_t count;
    uint8_t* next;
    int32_t remaining;
    int32_t consumed;
};

inline BitWindow windowOf(const EntropyIo* io)
{
    return {io->bits, io->bitCount, io->cursor.current, io->cursor.remaining, io->cursor.consumed};
}

// The scan's first block starts from a cleared count; whatever the words hold
// then (another scan's bits in the portable form) is not data.
inline BitWindow loadWindow(const EntropyIo* io)
{
    BitWindow w = windowOf(io);
    w.bits = w.count > 0 ? w.bits & (~uint64_t{0} << (64 - w.count)) : 0;
    return w;
}

inline void storeWindow(const BitWindow& w, EntropyIo* io)
{
    io->bits = w.bits;
    io->bitCount = w.count;
    io->cursor.current = w.next;
    io->cursor.remaining = w.remaining;
    io->cursor.consumed = w.consumed;
}

// Byte refill of the window stored in the source: fills it beyond 56 bits.
// Stuffed bytes, fill bytes, markers and window ends go through the
// portable byte taker, which reads the next file window of a file source.
__attribute__((noinline)) void refillBitWindow(EntropyIo* io)
{
    BitWindow w = windowOf(io);
    while (w.count <= 56) {
        uint32_t byte = 0;
        if (io->pendingMarker) {
            countPaddingByte(io, w.count);
        } else if (w.remaining > 0 && *w.next != 0xFF) {
            byte = *w.next++;
            --w.remaining;
            ++w.consumed;
        } else {
            storeWindow(w, io);
            byte = static_cast<uint32_t>(takeEntropyByte(io));
            w = windowOf(io);
            if (io->pendingMarker) countPaddingByte(io, w.count);
        }
        w.bits |= uint64_t{byte} << (56 - w.count);
        w.count += 8;
    }
    storeWindow(w, io);
}

inline void refillSlowly(BitWindow& w, EntropyIo* io)
{
    storeWindow(w, io);
    refillBitWindow(io);
    w = windowOf(io);
}

// Whether any byte of v is 0xFF (a zero byte in ~v).
inline bool holdsFF(uint64_t v) { return ((~v - 0x0101010101010101u) & v & 0x8080808080808080u) != 0; }

struct ByteRefill {
    static void ensure(BitWindow& w, EntropyIo* io)
    {
        if (w.count < kSymbolBits) refillSlowly(w, io);
    }
};

// Before every symbol, tops the window up with as many whole data bytes as
// fit, from one eight-byte load, when none of them is 0xFF: no branch
// depends on how many bits the last symbol took. Stuffing, a marker or the
// window's end leave it to the byte refill once fewer bits are held than a
// symbol needs.
struct WordRefill {
    static void ensure(BitWindow& w, EntropyIo* io)
    {
        if (w.count >= kSymbolBits) return;
        if (w.remaining >= 8 && !io->pendingMarker) {
            uint64_t word;
            std::memcpy(&word, w.next, sizeof word);
            const int32_t room = (64 - w.count) >> 3;
            const int32_t bytes = room - (room >> 3);  // at most 7, so the masks below stay in range
            const uint64_t taken = __builtin_bswap64(word) & ~(~uint64_t{0} >> (8 * bytes));
            if (!holdsFF(taken)) {
                if (bytes) w.bits |= taken >> w.count;
                w.count += 8 * bytes;
                w.next += bytes;
                w.remaining -= bytes;
                w.consumed += bytes;
                return;
            }
        }
        if (w.count < kSymbolBits) refillSlowly(w, io);
    }
};

inline uint32_t takeBits(BitWindow& w, int32_t n)
{
    const uint32_t value = static_cast<uint32_t>(w.bits >> (64 - n));
    w.bits <<= n;
    w.count -= n;
    return value;
}

// Codes longer than 8 bits, from the top 16 of the window; a code that
// matches no length up to 16 decodes as symbol 0 after 16 bits. Gives the
// symbol and the code's length as a look-up entry does, in registers.
__attribute__((noinline)) HuffLookahead decodeLongCode(uint64_t bits, const HuffDecodeTable* table)
{
    int32_t l = 9;
    while (static_cast<int32_t>(bits >> (64 - l)) > table->maxcode[l])
        if (++l > 16) return {0, 16};
    const int32_t code = static_cast<int32_t>(bits >> (64 - l));
    return {table->huffval[(table->valptr[l] + code - table->mincode[l]) & 0xFF], static_cast<uint16_t>(l)};
}

inline int32_t decodeSymbol(BitWindow& w, const HuffDecodeTable* table)
{
    HuffLookahead entry = table->lookahead[w.bits >> 56];
    if (!entry.length) entry = decodeLongCode(w.bits, table);
    w.bits <<= entry.length;
    w.count -= entry.length;
    return entry.symbol;
}

// 1 - 2^s for each value size s: what an s-bit value whose top bit is 0
// has added to it.
struct NegativeOffsets {
    int32_t of[16];
    constexpr NegativeOffsets() : of()
    {
        for (int32_t s = 0; s < 16; ++s) of[s] = s ? 1 - (1 << s) : 0;
    }
};
constexpr NegativeOffsets kNegativeOffsets;

// Takes an s-bit received value (0 < s < 16); one whose top bit is 0 stands
// for a negative value, v - (2^s - 1). Without a branch, as the signs of
// the coefficients are random.
inline int32_t takeValue(BitWindow& w, int32_t size)
{
    const int32_t negative = static_cast<int32_t>(static_cast<int64_t>(~w.bits) >> 63);  // all ones when top bit is 0
    const int32_t v = static_cast<int32_t>(takeBits(w, size));
    return v + (negative & kNegativeOffsets.of[size]);
}

// Block clearing in the registers of each class. The compiler would turn a
// plain clearing into a string store, which takes longer to start than the
// vector stores take to run; an opaque zero keeps them stores.
#ifdef JPEGCODEC_HAS_X86_KERNELS
struct ClearWithMmx {
    __attribute__((target("mmx"))) static void clear(int16_t* block)
    {
        __m64 zero = _mm_setzero_si64();
        __asm__("" : "+y"(zero));
        for (int32_t i = 0; i < 64; i += 4) *reinterpret_cast<__m64*>(block + i) = zero;
    }
};

struct ClearWithSse2 {
    __attribute__((target("sse2"))) static void clear(int16_t* block)
    {
        __m128i zero = _mm_setzero_si128();
        __asm__("" : "+x"(zero));
        for (int32_t i = 0; i < 64; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + i), zero);
    }
};
#else
struct ClearWithMmx {
    static void clear(int16_t* block) { std::memset(block, 0, 64 * sizeof(int16_t)); }
};
using ClearWithSse2 = ClearWithMmx;
#endif

template <class Refill, class Clear, bool kStore>
JPEG_STATUS decodeBlock(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                        int32_t* dcPredictor, int16_t* block)
{
    if (kStore) Clear::clear(block);
    BitWindow w = loadWindow(io);
    Refill::ensure(w, io);
    const int32_t dcSize = decodeSymbol(w, dcTable) & 15;
    const int32_t diff = dcSize ? takeValue(w, dcSize) : 0;
    *dcPredictor = static_cast<int16_t>(*dcPredictor + diff);
    if (kStore) block[0] = static_cast<int16_t>(*dcPredictor);
    // The position stays below 79: it passes 63 by at most a run of 15.
    for (int32_t position = 1; position < 64;) {
        Refill::ensure(w, io);
        const int32_t symbol = decodeSymbol(w, acTable);
        const int32_t size = symbol & 15;
        if (size == 0) {
            if (symbol != 0xF0) break;  // end of block
            position += 16;
            continue;
        }
        position += symbol >> 4;
        const int32_t value = takeValue(w, size);
        if (kStore) block[zigzagToNatural[position]] = static_cast<int16_t>(value);
        ++position;
    }
    storeWindow(w, io);
    return JPEG_SUCCESS;
}
}  // namespace

JPEG_STATUS huffmanDecodeBlockByteRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                         int32_t* dcPredictor, int16_t* block)
{
    return decodeBlock<ByteRefill, ClearWithMmx, true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeBlockWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                         int32_t* dcPredictor, int16_t* block)
{
    return decodeBlock<WordRefill, ClearWithMmx, true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeBlockWordRefillSse2(EntropyIo* io, const HuffDecodeTable* dcTable,
                                             const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t* block)
{
    return decodeBlock<WordRefill, ClearWithSse2, true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeDcOnlyWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                                          int32_t* dcPredictor, int16_t*)
{
    return decodeBlock<WordRefill, ClearWithMmx, false>(io, dcTable, acTable, dcPredictor, nullptr);
}
