#include "DataRanges.h"

#include "Bytes.h"
#include "KsGuids.h"

namespace dovracam {

namespace {

constexpr uint32_t kBitmapHeaderOffset = 256;  // in KS_DATARANGE_VIDEO
constexpr uint32_t kFormatHeaderSize = sizeof(KsDataFormat);
constexpr uint32_t kVideoInfoPrefix = 48;                                 // KS_VIDEOINFOHEADER before its bitmap header
constexpr uint32_t kAnswerPrefix = kFormatHeaderSize + kVideoInfoPrefix;  // 112
constexpr uint32_t kMinVideoFormat = sizeof(KsDataFormatVideoInfo);       // 152

struct TypeTemplate {
    ScGuid subtype;
    uint32_t compression;
    uint16_t bitCount;
    // Per pixel of width x height, in eighths so that 12-bit formats stay exact.
    uint32_t sampleEighths;
    uint32_t imageEighths;
    uint32_t minBits, maxBits, bitRate;
    bool scaledByFactor;
};

TypeTemplate TemplateOf(uint8_t type)
{
    switch (type) {
    case kTypeYuy2:
        return {FourCcSubtype(kFourCcYuy2), kFourCcYuy2, 16, 16, 16, 96, 480, 480, true};
    case kTypeI420:
        return {FourCcSubtype(kFourCcI420), kFourCcI420, 12, 16, 16, 96, 480, 480, false};
    case kTypeH264:
        return {FourCcSubtype(kFourCcH264), kFourCcH264, 12, 96, 16, 72, 360, 480, false};
    case kTypeWjpg:
        return {FourCcSubtype(kFourCcWjpg), kFourCcWjpg, 12, 12, 12, 72, 360, 360, true};
    case kTypeRgb24:
        return {kSubtypeRgb24, 0, 24, 24, 24, 72, 360, 720, true};
    case kTypeRgb555:
        return {kSubtypeRgb555, 0, 16, 16, 16, 72, 360, 480, true};
    default:
        return {FourCcSubtype(kFourCcMjpg), kFourCcMjpg, 12, 12, 12, 72, 360, 360, false};
    }
}

// Bit rates only inform a client: they saturate. Sizes must be exact.
int32_t SaturatedLong(uint64_t v) { return v > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(v); }
uint32_t SaturatedDword(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(v); }

void SetSize(ScSize& size, uint16_t width, uint16_t height)
{
    size.cx = width;
    size.cy = height;
}

const KsDataFormat* const* ListOf(FormatTable& table, uint32_t stream, uint32_t* count)
{
    if (stream == 0) {
        *count = table.count;
        return table.videoList;
    }
    *count = kStillFormatCount;
    return table.stillList;
}

const KsDataRangeVideo* RangeAt(const KsDataFormat* const* list, uint32_t i)
{
    return reinterpret_cast<const KsDataRangeVideo*>(list[i]);
}

bool SameFormatGuids(const KsDataFormat& a, const KsDataFormat& b)
{
    return SameGuid(a.MajorFormat, b.MajorFormat) && SameGuid(a.SubFormat, b.SubFormat) &&
           SameGuid(a.Specifier, b.Specifier);
}

int32_t Magnitude(int32_t v) { return v < 0 ? (v == INT32_MIN ? INT32_MAX : -v) : v; }

}  // namespace

bool FillDataRange(KsDataRangeVideo& range, uint16_t width, uint16_t height, uint8_t type, uint16_t factor)
{
    if (width == 0 || height == 0 || factor == 0) return false;
    const TypeTemplate t = TemplateOf(type);
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t scale = t.scaledByFactor ? factor : 1;
    const uint64_t sampleSize = t.sampleEighths * pixels / 8 * scale;
    const uint64_t imageSize = t.imageEighths * pixels / 8 * scale;
    const uint64_t minBits = t.minBits * pixels * scale;
    const uint64_t maxBits = t.maxBits * pixels * scale;
    const uint64_t bitRate = t.bitRate * pixels * scale;
    if (sampleSize > 0xFFFFFFFFu || imageSize > 0xFFFFFFFFu) return false;

    ZeroBytes(&range, sizeof range);
    KsDataFormat& f = range.DataRange;
    f.FormatSize = sizeof(KsDataRangeVideo);
    f.SampleSize = uint32_t(sampleSize);
    f.MajorFormat = kTypeVideo;
    f.SubFormat = t.subtype;
    f.Specifier = kSpecifierVideoInfo;
    range.bFixedSizeSamples = 1;
    range.bTemporalCompression = 1;
    range.StreamDescriptionFlags = kStreamDescriptionCapture;

    KsVideoStreamConfigCaps& caps = range.ConfigCaps;
    caps.guid = kSpecifierVideoInfo;
    SetSize(caps.InputSize, width, height);
    SetSize(caps.MinCroppingSize, width, height);
    SetSize(caps.MaxCroppingSize, width, height);
    caps.CropGranularityX = caps.CropGranularityY = caps.CropAlignX = caps.CropAlignY = 1;
    SetSize(caps.MinOutputSize, width, height);
    SetSize(caps.MaxOutputSize, width, height);
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = kMinFrameInterval;
    caps.MaxFrameInterval = kMaxFrameInterval;
    caps.MinBitsPerSecond = SaturatedLong(minBits);
    caps.MaxBitsPerSecond = SaturatedLong(maxBits);

    KsVideoInfoHeader& info = range.VideoInfoHeader;
    info.dwBitRate = SaturatedDword(bitRate);
    info.AvgTimePerFrame = kMinFrameInterval;
    info.bmiHeader.biSize = sizeof(KsBitmapInfoHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = t.bitCount;
    info.bmiHeader.biCompression = t.compression;
    info.bmiHeader.biSizeImage = uint32_t(imageSize);
    return true;
}

KsDataRangeVideo* BuildDataRange(uint16_t width, uint16_t height, uint8_t type, uint16_t factor)
{
    KsDataRangeVideo* range = static_cast<KsDataRangeVideo*>(ksv_pool_alloc(sizeof(KsDataRangeVideo)));
    if (range && !FillDataRange(*range, width, height, type, factor)) {
        ksv_pool_free(range);
        return nullptr;
    }
    return range;
}

void FillStillFormats(FormatTable& table)
{
    struct Still {
        uint16_t width, height;
        uint8_t type;
    };
    const Still stills[kStillFormatCount] = {
        {1024, 768, kTypeYuy2}, {800, 600, kTypeYuy2}, {640, 480, kTypeYuy2}, {1024, 768, kTypeMjpg}};
    for (uint32_t i = 0; i < kStillFormatCount; ++i) {
        FillDataRange(table.stillRanges[i], stills[i].width, stills[i].height, stills[i].type, 1);
        table.stillRanges[i].StreamDescriptionFlags = kStreamDescriptionStill;
        table.stillList[i] = &table.stillRanges[i].DataRange;
    }
}

void RefreshFormatLists(FormatTable& table)
{
    for (uint32_t i = 0; i < kMaxFormats; ++i)
        table.videoList[i] = i < table.count ? &table.entries[i].range->DataRange : nullptr;
}

bool VerifyFormat(FormatTable& table, const KsDataFormat* format, uint32_t streamNumber)
{
    if (!format || streamNumber > 1 || format->FormatSize < kMinVideoFormat) return false;
    const KsDataFormatVideoInfo* video = reinterpret_cast<const KsDataFormatVideoInfo*>(format);
    const KsBitmapInfoHeader& bmi = video->VideoInfoHeader.bmiHeader;
    const uint64_t needed = uint64_t(kAnswerPrefix) + bmi.biSize;
    if (bmi.biSize < sizeof(KsBitmapInfoHeader) || needed > format->FormatSize) return false;
    const int32_t width = Magnitude(bmi.biWidth);
    const int32_t height = bmi.biWidth < 0 ? bmi.biHeight : Magnitude(bmi.biHeight);

    uint32_t count = 0;
    const KsDataFormat* const* list = ListOf(table, streamNumber, &count);
    for (uint32_t i = 0; i < count; ++i) {
        const KsDataRangeVideo* candidate = RangeAt(list, i);
        if (!SameFormatGuids(*format, candidate->DataRange) || !SameGuid(format->Specifier, kSpecifierVideoInfo))
            continue;
        const KsBitmapInfoHeader& c = candidate->VideoInfoHeader.bmiHeader;
        if (width == c.biWidth && height == c.biHeight && bmi.biSizeImage == c.biSizeImage &&
            format->SampleSize >= bmi.biSizeImage) {
            if (streamNumber == 0) table.selected = uint16_t(i);
            return true;
        }
    }
    return false;
}

ScStatus DataIntersection(FormatTable& table, uint16_t frameSizeFactor, const ScDataIntersectInfo& info,
                          uint32_t* answered)
{
    *answered = 0;
    if (info.StreamNumber > 1 || !info.DataRange) return kStatusInvalidParameter;
    const KsDataFormat& request = *info.DataRange;

    uint32_t count = 0;
    const KsDataFormat* const* list = ListOf(table, info.StreamNumber, &count);
    const KsDataRangeVideo* asked = reinterpret_cast<const KsDataRangeVideo*>(info.DataRange);
    int32_t match = -1;
    for (uint32_t i = 0; i < count && match < 0; ++i) {
        const KsDataRangeVideo* candidate = RangeAt(list, i);
        // The header first: only a range of the candidate's size may be read further.
        if (!SameFormatGuids(request, candidate->DataRange) || request.FormatSize != candidate->DataRange.FormatSize)
            continue;
        if (asked->bFixedSizeSamples == candidate->bFixedSizeSamples &&
            asked->bTemporalCompression == candidate->bTemporalCompression &&
            asked->StreamDescriptionFlags == candidate->StreamDescriptionFlags &&
            asked->MemoryAllocationFlags == candidate->MemoryAllocationFlags &&
            SameBytes(&asked->ConfigCaps, &candidate->ConfigCaps, sizeof(KsVideoStreamConfigCaps)) &&
            asked->VideoInfoHeader.bmiHeader.biWidth == candidate->VideoInfoHeader.bmiHeader.biWidth &&
            asked->VideoInfoHeader.bmiHeader.biHeight == candidate->VideoInfoHeader.bmiHeader.biHeight)
            match = int32_t(i);
    }
    if (match < 0) return kStatusNoMatch;

    const KsBitmapInfoHeader& bmi = asked->VideoInfoHeader.bmiHeader;
    if (bmi.biSize < sizeof(KsBitmapInfoHeader) || uint64_t(kBitmapHeaderOffset) + bmi.biSize > request.FormatSize)
        return kStatusInvalidParameter;
    const uint32_t answerSize = kAnswerPrefix + bmi.biSize;
    if (info.SizeOfDataFormatBuffer == 0) {
        *answered = answerSize;
        return kStatusBufferOverflow;
    }
    if (info.SizeOfDataFormatBuffer < answerSize || !info.DataFormatBuffer) return kStatusBufferTooSmall;

    const uint64_t stride = ((uint64_t(bmi.biBitCount) * uint32_t(Magnitude(bmi.biWidth)) + 31) >> 5) * 4;
    const uint64_t imageSize = stride * uint32_t(Magnitude(bmi.biHeight)) * frameSizeFactor;
    if (imageSize > 0xFFFFFFFFu) return kStatusInvalidParameter;

    uint8_t* out = static_cast<uint8_t*>(info.DataFormatBuffer);
    CopyBytes(out, &request, kFormatHeaderSize);
    CopyBytes(out + kFormatHeaderSize, &asked->VideoInfoHeader, kVideoInfoPrefix + bmi.biSize);
    KsDataFormatVideoInfo* answer = reinterpret_cast<KsDataFormatVideoInfo*>(out);
    answer->DataFormat.FormatSize = answerSize;
    answer->DataFormat.SampleSize = uint32_t(imageSize);
    answer->VideoInfoHeader.bmiHeader.biSizeImage = uint32_t(imageSize);

    const KsVideoStreamConfigCaps& caps = RangeAt(list, uint32_t(match))->ConfigCaps;
    KsVideoInfoHeader& vih = answer->VideoInfoHeader;
    if (caps.MaxFrameInterval < vih.AvgTimePerFrame) {
        vih.AvgTimePerFrame = caps.MaxFrameInterval;
        vih.dwBitRate = uint32_t(caps.MinBitsPerSecond);
    }
    if (vih.AvgTimePerFrame < caps.MinFrameInterval) {
        vih.AvgTimePerFrame = caps.MinFrameInterval;
        vih.dwBitRate = uint32_t(caps.MaxBitsPerSecond);
    }
    if (info.StreamNumber == 0) table.selected = uint16_t(match);
    *answered = answerSize;
    return kStatusSuccess;
}

}  // namespace dovracam
