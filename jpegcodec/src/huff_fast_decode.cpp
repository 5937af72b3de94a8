// Baseline block decoders of the vector classes. They hold the bit window
// in registers for a whole block with the valid bits at the top of a 64-bit
// word, so a symbol is one shift and one look-up, and they refill it a
// byte or four bytes at a time. Markers and the end of the data are met the
// same way as by the portable reader (zero bits from there on, the same
// padding count), so a damaged scan ends with the same status and the same
// coefficients on every class.
#include "simd_kernels.h"

#include <cstring>

#include "entropy_input.h"
#include "zigzag.h"

namespace {
// Bits a block decoder asks for before each symbol: the longest code (16)
// and the longest value (15).
constexpr int32_t kSymbolBits = 32;

struct BitWindow {
  uint64_t bits;  // valid bits from the top down, zeros below them
  int32_t count;
  const uint8_t* next;
  int32_t remaining;
  int32_t consumed;
};

// The scan's first block starts from a cleared count; whatever the words hold
// then (another scan's bits in the portable form) is not data.
inline BitWindow loadWindow(const EntropyIo* io) {
  const int32_t count = io->bitCount;
  return {count > 0 ? io->bits & (~uint64_t{0} << (64 - count)) : 0, count, io->cursor.current,
          io->cursor.remaining, io->cursor.consumed};
}

inline void storeCursor(const BitWindow& w, EntropyIo* io) {
  io->cursor.current = const_cast<uint8_t*>(w.next);
  io->cursor.remaining = w.remaining;
  io->cursor.consumed = w.consumed;
}

inline void storeWindow(const BitWindow& w, EntropyIo* io) {
  io->bits = w.bits;
  io->bitCount = w.count;
  storeCursor(w, io);
}

inline void appendByte(BitWindow& w, uint32_t byte) {
  w.bits |= uint64_t{byte} << (56 - w.count);
  w.count += 8;
}

// Byte refill: fills the window beyond 56 bits. Stuffed bytes, fill bytes,
// markers and window ends go through the portable byte taker, which reads
// the next file window when the source is a file.
__attribute__((noinline)) BitWindow refillBitWindow(BitWindow w, EntropyIo* io) {
  while (w.count <= 56) {
    if (io->pendingMarker) {
      countPaddingByte(io, w.count);
      appendByte(w, 0);
    } else if (w.remaining > 0 && *w.next != 0xFF) {
      appendByte(w, *w.next++);
      --w.remaining;
      ++w.consumed;
    } else {
      storeCursor(w, io);
      const int32_t byte = takeEntropyByte(io);
      w.next = io->cursor.current;
      w.remaining = io->cursor.remaining;
      w.consumed = io->cursor.consumed;
      if (io->pendingMarker) countPaddingByte(io, w.count);
      appendByte(w, static_cast<uint32_t>(byte));
    }
  }
  return w;
}

// Whether any of the four bytes of v is 0xFF (a zero byte in ~v).
inline bool holdsFF(uint32_t v) { return ((~v - 0x01010101u) & v & 0x80808080u) != 0; }

struct ByteRefill {
  static void ensure(BitWindow& w, EntropyIo* io) {
    if (w.count < kSymbolBits) w = refillBitWindow(w, io);
  }
};

// Takes four data bytes in one step when none of them is 0xFF; anything
// else (stuffing, a marker, the window's end) goes byte by byte.
struct WordRefill {
  static void ensure(BitWindow& w, EntropyIo* io) {
    if (w.count >= kSymbolBits) return;
    if (w.remaining >= 4 && !io->pendingMarker) {
      uint32_t word;
      std::memcpy(&word, w.next, sizeof word);
      if (!holdsFF(word)) {
        w.bits |= uint64_t{__builtin_bswap32(word)} << (32 - w.count);
        w.count += 32;
        w.next += 4;
        w.remaining -= 4;
        w.consumed += 4;
        return;
      }
    }
    w = refillBitWindow(w, io);
  }
};

inline uint32_t takeBits(BitWindow& w, int32_t n) {
  const uint32_t value = static_cast<uint32_t>(w.bits >> (64 - n));
  w.bits <<= n;
  w.count -= n;
  return value;
}

// Codes longer than 8 bits, with at least 16 bits held; a code that matches
// no length up to 16 decodes as symbol 0 after 16 bits.
__attribute__((noinline)) int32_t decodeLongCode(BitWindow& w, const HuffDecodeTable* table) {
  int32_t length = 9;
  while (static_cast<int32_t>(w.bits >> (64 - length)) > table->maxcode[length])
    if (++length > 16) {
      takeBits(w, 16);
      return 0;
    }
  const int32_t code = static_cast<int32_t>(takeBits(w, length));
  return table->huffval[(table->valptr[length] + code - table->mincode[length]) & 0xFF];
}

inline int32_t decodeSymbol(BitWindow& w, const HuffDecodeTable* table) {
  const HuffLookahead entry = table->lookahead[w.bits >> 56];
  if (!entry.length) return decodeLongCode(w, table);
  w.bits <<= entry.length;
  w.count -= entry.length;
  return entry.symbol;
}

// An s-bit received value whose top bit is 0 stands for a negative one.
inline int32_t extendValue(uint32_t bits, int32_t size) {
  const int32_t v = static_cast<int32_t>(bits);
  return v < (1 << (size - 1)) ? v - ((1 << size) - 1) : v;
}

template <class Refill, bool kStore>
JPEG_STATUS decodeBlock(EntropyIo* io, const HuffDecodeTable* dcTable, const HuffDecodeTable* acTable,
                        int32_t* dcPredictor, int16_t* block) {
  if (kStore) std::memset(block, 0, 64 * sizeof(int16_t));
  BitWindow w = loadWindow(io);
  Refill::ensure(w, io);
  const int32_t dcSize = decodeSymbol(w, dcTable) & 15;
  const int32_t diff = dcSize ? extendValue(takeBits(w, dcSize), dcSize) : 0;
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
    const uint32_t bits = takeBits(w, size);
    if (kStore) block[zigzagToNatural[position]] = static_cast<int16_t>(extendValue(bits, size));
    ++position;
  }
  storeWindow(w, io);
  return JPEG_SUCCESS;
}
}  // namespace

JPEG_STATUS huffmanDecodeBlockByteRefill(EntropyIo* io, const HuffDecodeTable* dcTable,
                                         const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t* block) {
  return decodeBlock<ByteRefill, true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeBlockWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable,
                                         const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t* block) {
  return decodeBlock<WordRefill, true>(io, dcTable, acTable, dcPredictor, block);
}

JPEG_STATUS huffmanDecodeDcOnlyWordRefill(EntropyIo* io, const HuffDecodeTable* dcTable,
                                          const HuffDecodeTable* acTable, int32_t* dcPredictor, int16_t*) {
  return decodeBlock<WordRefill, false>(io, dcTable, acTable, dcPredictor, nullptr);
}
