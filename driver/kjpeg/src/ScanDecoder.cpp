#include "ScanDecoder.h"

#include "BuiltinTables.h"
#include "InverseDct.h"
#include "Markers.h"
#include "Memory.h"

namespace kjpeg {
namespace {

// The signed value of size bits (JPEG F.2.2.1).
inline int32_t Extend(uint32_t bits, int size)
{
    const int32_t value = static_cast<int32_t>(bits);
    return bits < (1u << (size - 1)) ? value - (int32_t{1} << size) + 1 : value;
}

}  // namespace

Status ScanDecoder::Decode(BitReader& reader)
{
    int32_t predictors[kComponents] = {};
    const uint32_t total = mcusPerRow_ * mcuRows_;
    uint32_t restarts = 0;
    for (uint32_t mcu = 0; mcu < total; ++mcu) {
        if (restartInterval_ != 0 && mcu != 0 && mcu % restartInterval_ == 0) {
            const Status status = TakeRestart(reader, restarts++ & 7);
            if (status != Status::Ok) return status;
            for (int32_t& predictor : predictors) predictor = 0;
        }
        const uint32_t row = mcu / mcusPerRow_;
        const uint32_t column = mcu % mcusPerRow_;
        for (int c = 0; c < kComponents; ++c) {
            const FrameComponent& component = components_[c];
            for (uint32_t v = 0; v < component.vertical; ++v) {
                uint8_t* line = component.plane + (size_t{row} * component.vertical + v) * 8 * component.stride;
                for (uint32_t h = 0; h < component.horizontal; ++h) {
                    uint8_t* out = line + (size_t{column} * component.horizontal + h) * 8;
                    if (!DecodeBlock(reader, component, predictors[c], out)) return Status::BadEntropyData;
                }
            }
        }
        if (reader.Overrun()) return Status::Truncated;
    }
    return reader.FinishSegment() ? Status::Ok : Status::BadEntropyData;
}

bool ScanDecoder::DecodeBlock(BitReader& reader, const FrameComponent& component, int32_t& predictor, uint8_t* out)
{
    int16_t* coefficients = decoder_.coefficients;
    const HuffmanTable& dcTable = decoder_.dcTables[component.dcTable];
    const HuffmanTable& acTable = decoder_.acTables[component.acTable];

    reader.Refill();
    const int category = dcTable.Decode(reader);
    if (category < 0) return false;
    if (category != 0) predictor += Extend(reader.Take(category), category);
    // Stored in 16 bits as libjpeg does; categories up to 11 keep the sum of a
    // whole frame's differences far from overflow.
    coefficients[0] = static_cast<int16_t>(predictor);

    int last = 0;
    for (int k = 1; k < 64; ++k) {
        reader.Refill();
        const int symbol = acTable.Decode(reader);
        if (symbol < 0) return false;
        const int run = symbol >> 4;
        const int size = symbol & 15;
        if (size == 0) {
            if (run != 15) break;  // end of block
            if (k + 15 > 63) return false;
            k += 15;
            continue;
        }
        k += run;
        if (k > 63) return false;
        coefficients[kZigZagToNatural[k]] = static_cast<int16_t>(Extend(reader.Take(size), size));
        last = k;
    }

    const uint16_t* quant = decoder_.quantTables[component.quantTable];
    if (last == 0) {
        InverseDctDcOnly(coefficients[0], quant[0], out, component.stride);
        coefficients[0] = 0;
    } else {
        InverseDct(coefficients, quant, out, component.stride);
        ClearBytes(coefficients, sizeof decoder_.coefficients);
    }
    return true;
}

Status ScanDecoder::TakeRestart(BitReader& reader, uint32_t expected)
{
    if (reader.Overrun()) return Status::Truncated;
    if (!reader.FinishSegment()) return Status::BadEntropyData;
    size_t position = reader.position();
    uint8_t code = 0;
    const Status status = ReadMarker(reader.data(), reader.length(), &position, &code);
    if (status != Status::Ok) return status;
    if (code != kRst0 + expected) return Status::BadRestart;
    reader.Resume(position);
    return Status::Ok;
}

}  // namespace kjpeg
