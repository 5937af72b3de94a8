#include "kjpeg/JpegDecoder.h"

#include <new>

#include "BitReader.h"
#include "BuiltinTables.h"
#include "DecoderState.h"
#include "Markers.h"
#include "ScanDecoder.h"

namespace kjpeg {

static_assert(sizeof(JpegDecoder) <= kJpegDecoderBlockSize, "the decoder outgrew its block");
static_assert(alignof(JpegDecoder) <= kJpegDecoderBlockAlignment, "the decoder needs a stricter alignment");

void LoadDecoderTables(JpegDecoder& decoder)
{
    for (int id = 0; id < 2; ++id) {
        decoder.dcTables[id].Build(kBuiltinDcTables[id], true);
        decoder.acTables[id].Build(kBuiltinAcTables[id], false);
        for (int i = 0; i < 64; ++i) decoder.quantTables[id][kZigZagToNatural[i]] = kBuiltinQuantTables[id][i];
    }
}

namespace {

inline uint32_t BigEndian16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }

// The contents of one marker segment (behind its length field).
struct Segment {
    const uint8_t* data;
    size_t size;
};

// One run over one frame: its markers in order, the frame and scan headers
// checked against what the camera sends, then the scan.
class FrameParser {
public:
    FrameParser(JpegDecoder& decoder, const uint8_t* frame, size_t length, uint8_t* planes, size_t capacity)
        : decoder_(decoder), frame_(frame), length_(length), planes_(planes), capacity_(capacity)
    {
    }

    Status Run();
    ChromaLayout chroma() const { return chroma_; }
    size_t size() const { return size_; }

private:
    Status ReadSegment(Segment* segment);
    Status ReadFrameHeader(const Segment& segment);
    Status ReadHuffmanTables(const Segment& segment);
    Status ReadQuantTables(const Segment& segment);
    Status ReadRestartInterval(const Segment& segment);
    Status ReadScanHeader(const Segment& segment);
    Status DecodeScan();

    JpegDecoder& decoder_;
    const uint8_t* frame_;
    size_t length_;
    uint8_t* planes_;
    size_t capacity_;
    size_t position_ = 0;

    bool haveFrame_ = false;
    bool haveScan_ = false;
    FrameComponent components_[kComponents] = {};
    ChromaLayout chroma_ = ChromaLayout::Quarter;
    size_t size_ = 0;
    uint32_t mcuRows_ = 0;
    uint32_t restartInterval_ = 0;
};

Status FrameParser::Run()
{
    LoadDecoderTables(decoder_);
    if (length_ < 2 || frame_[0] != 0xFF || frame_[1] != kSoi) return Status::BadMarker;
    position_ = 2;
    for (;;) {
        uint8_t code = 0;
        Status status = ReadMarker(frame_, length_, &position_, &code);
        if (status != Status::Ok) return status;
        if (code == kEoi) return haveScan_ ? Status::Ok : Status::Truncated;
        if (code >= kRst0 && code <= kRst7) continue;
        if (code == kSoi) return Status::BadMarker;
        if (code < kSof0) return Status::BadMarker;
        if ((code > kSof0 && code <= 0xCF && code != kDht) || code == 0xDE || code == 0xDF) return Status::Unsupported;

        Segment segment;
        status = ReadSegment(&segment);
        if (status != Status::Ok) return status;
        switch (code) {
        case kSof0:
            status = haveFrame_ ? Status::BadMarker : ReadFrameHeader(segment);
            break;
        case kDht:
            status = ReadHuffmanTables(segment);
            break;
        case kDqt:
            status = ReadQuantTables(segment);
            break;
        case kDri:
            status = ReadRestartInterval(segment);
            break;
        case kSos:
            if (!haveFrame_) return Status::BadMarker;
            if (haveScan_) return Status::Unsupported;
            status = ReadScanHeader(segment);
            if (status == Status::Ok) status = DecodeScan();
            break;
        default:  // DNL (the height is fixed), APPn, COM and the other E and F segments
            break;
        }
        if (status != Status::Ok) return status;
    }
}

Status FrameParser::ReadSegment(Segment* segment)
{
    if (length_ - position_ < 2) return Status::Truncated;
    const size_t size = BigEndian16(frame_ + position_);
    if (size < 2) return Status::BadSegment;
    if (size > length_ - position_) return Status::Truncated;
    segment->data = frame_ + position_ + 2;
    segment->size = size - 2;
    position_ += size;
    return Status::Ok;
}

Status FrameParser::ReadFrameHeader(const Segment& segment)
{
    const uint8_t* p = segment.data;
    if (segment.size < 6 || segment.size != 6 + size_t{p[5]} * 3) return Status::BadSegment;
    if (p[0] != 8 || BigEndian16(p + 1) != kFrameHeight || BigEndian16(p + 3) != kFrameWidth || p[5] != kComponents)
        return Status::Unsupported;
    for (int c = 0; c < kComponents; ++c) {
        const uint8_t* entry = p + 6 + c * 3;
        FrameComponent& component = components_[c];
        component.id = entry[0];
        component.horizontal = entry[1] >> 4;
        component.vertical = entry[1] & 15;
        component.quantTable = entry[2];
        if (component.quantTable > 1) return Status::BadTable;
        for (int other = 0; other < c; ++other)
            if (components_[other].id == component.id) return Status::BadSegment;
    }
    // Luma 2x2 or 2x1, each chroma component 1x1.
    const FrameComponent& luma = components_[0];
    if (luma.horizontal != 2 || (luma.vertical != 1 && luma.vertical != 2)) return Status::Unsupported;
    for (int c = 1; c < kComponents; ++c)
        if (components_[c].horizontal != 1 || components_[c].vertical != 1) return Status::Unsupported;

    chroma_ = luma.vertical == 2 ? ChromaLayout::Quarter : ChromaLayout::Half;
    mcuRows_ = kFrameHeight / (8 * luma.vertical);
    const size_t chromaPlane = size_t{kFrameWidth / 2} * (kFrameHeight / luma.vertical);
    size_ = kLumaPlaneSize + 2 * chromaPlane;
    if (size_ > capacity_) return Status::OutputTooSmall;
    components_[0].plane = planes_;
    components_[0].stride = kFrameWidth;
    components_[1].plane = planes_ + kLumaPlaneSize;
    components_[2].plane = planes_ + kLumaPlaneSize + chromaPlane;
    components_[1].stride = components_[2].stride = kFrameWidth / 2;
    haveFrame_ = true;
    return Status::Ok;
}

Status FrameParser::ReadHuffmanTables(const Segment& segment)
{
    size_t at = 0;
    while (at < segment.size) {
        if (segment.size - at < 17) return Status::BadSegment;
        const uint8_t* p = segment.data + at;
        const uint32_t tableClass = p[0] >> 4;
        const uint32_t id = p[0] & 15;
        if (tableClass > 1 || id > 1) return Status::BadTable;
        HuffmanDefinition definition;
        size_t total = 0;
        for (int i = 0; i < 16; ++i) total += definition.counts[i] = p[1 + i];
        if (segment.size - at - 17 < total) return Status::BadSegment;
        definition.symbols = p + 17;
        const bool dc = tableClass == 0;
        HuffmanTable& table = dc ? decoder_.dcTables[id] : decoder_.acTables[id];
        if (!table.Build(definition, dc)) return Status::BadTable;
        at += 17 + total;
    }
    return Status::Ok;
}

Status FrameParser::ReadQuantTables(const Segment& segment)
{
    size_t at = 0;
    while (at < segment.size) {
        const uint8_t* p = segment.data + at;
        const uint32_t precision = p[0] >> 4;
        const uint32_t id = p[0] & 15;
        if (precision > 1 || id > 1) return Status::BadTable;
        const size_t bytes = precision == 0 ? 64 : 128;
        if (segment.size - at - 1 < bytes) return Status::BadSegment;
        uint16_t* table = decoder_.quantTables[id];
        for (int i = 0; i < 64; ++i)
            table[kZigZagToNatural[i]] = static_cast<uint16_t>(precision == 0 ? p[1 + i] : BigEndian16(p + 1 + 2 * i));
        at += 1 + bytes;
    }
    return Status::Ok;
}

Status FrameParser::ReadRestartInterval(const Segment& segment)
{
    if (segment.size != 2) return Status::BadSegment;
    restartInterval_ = BigEndian16(segment.data);
    return Status::Ok;
}

Status FrameParser::ReadScanHeader(const Segment& segment)
{
    const uint8_t* p = segment.data;
    if (segment.size < 1 || segment.size != 4 + size_t{p[0]} * 2) return Status::BadSegment;
    // One interleaved scan of the three components in frame order.
    if (p[0] != kComponents) return Status::Unsupported;
    for (int c = 0; c < kComponents; ++c) {
        const uint8_t* entry = p + 1 + c * 2;
        if (entry[0] != components_[c].id) return Status::Unsupported;
        components_[c].dcTable = entry[1] >> 4;
        components_[c].acTable = entry[1] & 15;
        if (components_[c].dcTable > 1 || components_[c].acTable > 1) return Status::BadTable;
    }
    const uint8_t* spectral = p + 1 + kComponents * 2;
    if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0) return Status::Unsupported;
    return Status::Ok;
}

Status FrameParser::DecodeScan()
{
    BitReader reader;
    reader.Start(frame_, length_, position_);
    ScanDecoder scan(decoder_, components_, kFrameWidth / 16, mcuRows_, restartInterval_);
    const Status status = scan.Decode(reader);
    position_ = reader.position();
    haveScan_ = true;
    return status;
}

}  // namespace

JpegDecoder* CreateJpegDecoder(void* block, size_t blockSize)
{
    if (block == nullptr || blockSize < sizeof(JpegDecoder) ||
        reinterpret_cast<uintptr_t>(block) % kJpegDecoderBlockAlignment != 0)
        return nullptr;
    JpegDecoder* decoder = new (block) JpegDecoder();
    LoadDecoderTables(*decoder);
    return decoder;
}

Status DecodeJpegFrame(JpegDecoder* decoder, const uint8_t* frame, size_t length, uint8_t* planes, size_t capacity,
                       DecodedFrame* decoded)
{
    if (decoder == nullptr || frame == nullptr || planes == nullptr || decoded == nullptr) return Status::BadArgument;
    FrameParser parser(*decoder, frame, length, planes, capacity);
    const Status status = parser.Run();
    if (status != Status::Ok) return status;
    decoded->planes = planes;
    decoded->chroma = parser.chroma();
    decoded->size = parser.size();
    return Status::Ok;
}

}  // namespace kjpeg
