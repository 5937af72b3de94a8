#include "PreparedImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "BmpFormat.h"

namespace {

constexpr int kDotsPerInch = 100;
constexpr TW_INT32 kPelsPerMeter = 3937;  // 100 dots per inch

int StrideOf(int bits, int width) { return ((bits * width + 31) / 32) * 4; }

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool WriteAll(std::FILE* file, const void* bytes, std::size_t size)
{
    return std::fwrite(bytes, 1, size, file) == size;
}

bool Finish(File file)
{
    const bool flushed = std::fflush(file.get()) == 0;
    return std::fclose(file.release()) == 0 && flushed;
}

}  // namespace

bool PreparedImage::Prepare(const BgrPlane& picture, TW_UINT16 pixelType, int threshold)
{
    Release();
    int bits = 0, colors = 0;
    switch (pixelType) {
    case TWPT_RGB:
        bits = 24;
        break;
    case TWPT_GRAY:
        bits = 8, colors = 256;
        break;
    case TWPT_BW:
        bits = 1, colors = 2;
        break;
    default:
        return false;
    }
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0) return false;
    const int stride = StrideOf(bits, picture.width);
    const std::size_t tableBytes = std::size_t(colors) * 4;
    const std::size_t imageBytes = std::size_t(stride) * std::size_t(picture.height);
    TW_HANDLE dib = m_memory.Alloc(sizeof(DibHeader) + tableBytes + imageBytes);
    LockedHandle locked(m_memory, dib);
    unsigned char* out = locked.Bytes();
    if (!out) {
        if (dib) m_memory.Free(dib);
        return false;
    }
    DibHeader header{40,
                     picture.width,
                     picture.height,
                     1,
                     TW_UINT16(bits),
                     0,
                     TW_UINT32(imageBytes),
                     kPelsPerMeter,
                     kPelsPerMeter,
                     TW_UINT32(colors),
                     0};
    std::memcpy(out, &header, sizeof header);
    unsigned char* table = out + sizeof header;
    for (int i = 0; i < colors; ++i) {
        const unsigned char level = static_cast<unsigned char>(colors == 2 ? i * 255 : i);
        table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = level;
    }
    if (bits != 24) PixelOps::Grayscale(picture);
    unsigned char* rows = table + tableBytes;
    for (int y = 0; y < picture.height; ++y) {
        const unsigned char* in = picture.pixels + std::size_t(y) * std::size_t(picture.stride);
        unsigned char* row = rows + std::size_t(y) * std::size_t(stride);
        if (bits == 24) {
            std::memcpy(row, in, std::size_t(picture.width) * 3);
        } else if (bits == 8) {
            for (int x = 0; x < picture.width; ++x) row[x] = in[3 * x];
        } else {
            for (int x = 0; x < picture.width; ++x)
                if (in[3 * x] >= threshold) row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
    }
    m_dib = dib;
    m_header = header;
    m_stride = stride;
    m_nextRow = 0;
    return true;
}

TW_HANDLE PreparedImage::Detach()
{
    TW_HANDLE dib = m_dib;
    m_dib = nullptr;
    Release();
    return dib;
}

void PreparedImage::Release()
{
    if (m_dib) m_memory.Free(m_dib);
    m_dib = nullptr;
    m_header = DibHeader{};
    m_stride = 0;
    m_nextRow = 0;
}

bool PreparedImage::ReadDib(unsigned char* to, std::size_t offset, std::size_t bytes)
{
    LockedHandle locked(m_memory, m_dib);
    if (!locked.Bytes() || locked.Size() < offset + bytes) return false;
    std::memcpy(to, locked.Bytes() + offset, bytes);
    return true;
}

bool PreparedImage::NextStrip(unsigned char* out, std::size_t length, bool vanilla, Strip& strip)
{
    strip = Strip{0, 0, TW_UINT32(m_nextRow), false};
    if (!m_dib || m_stride <= 0) return false;
    LockedHandle locked(m_memory, m_dib);
    if (!locked.Bytes()) return false;
    const std::size_t fit = length / std::size_t(m_stride);
    const int rows = int(std::min<std::size_t>(fit, std::size_t(m_header.height - m_nextRow)));
    const unsigned char* pixels = locked.Bytes() + sizeof(DibHeader) + std::size_t(m_header.clrUsed) * 4;
    for (int i = 0; i < rows; ++i) {
        const int memoryRow = m_header.height - 1 - (m_nextRow + i);
        const unsigned char* in = pixels + std::size_t(memoryRow) * std::size_t(m_stride);
        unsigned char* row = out + std::size_t(i) * std::size_t(m_stride);
        std::memcpy(row, in, std::size_t(m_stride));
        if (m_header.bitCount == 24) {
            for (int x = 0; x < m_header.width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
        } else if (vanilla) {
            for (int b = 0; b < m_stride; ++b) row[b] = static_cast<unsigned char>(~row[b]);
        }
    }
    m_nextRow += rows;
    strip.rows = TW_UINT32(rows);
    strip.bytesWritten = TW_UINT32(rows) * TW_UINT32(m_stride);
    strip.last = m_nextRow == m_header.height;
    return true;
}

int PreparedImage::Colors(TW_UINT8 (*rgb)[3], int capacity)
{
    const int count = std::min(int(m_header.clrUsed), capacity);
    std::vector<unsigned char> table(std::size_t(count) * 4);
    if (!m_dib || !ReadDib(table.data(), sizeof(DibHeader), table.size())) return 0;
    for (int i = 0; i < count; ++i) {
        rgb[i][0] = table[4 * i + 2];
        rgb[i][1] = table[4 * i + 1];
        rgb[i][2] = table[4 * i];
    }
    return count;
}

bool PreparedImage::WriteBmp(const char* path)
{
    if (!m_dib) return false;
    LockedHandle locked(m_memory, m_dib);
    const std::size_t dibBytes = sizeof(DibHeader) + std::size_t(m_header.clrUsed) * 4 + m_header.sizeImage;
    if (!locked.Bytes() || locked.Size() < dibBytes) return false;
    unsigned char fileHeader[kBmpFileHeaderBytes];
    WriteBmpFileHeader(fileHeader, m_header.sizeImage, m_header.clrUsed * 4);
    File file(std::fopen(path, "wb"));
    return file && WriteAll(file.get(), fileHeader, sizeof fileHeader) &&
           WriteAll(file.get(), locked.Bytes(), dibBytes) && Finish(std::move(file));
}

// Baseline TIFF, little-endian, uncompressed, one strip of rows top first.
bool PreparedImage::WriteTiff(const char* path)
{
    if (!m_dib) return false;
    LockedHandle locked(m_memory, m_dib);
    const unsigned char* pixels = locked.Bytes() ? locked.Bytes() + sizeof(DibHeader) + m_header.clrUsed * 4 : nullptr;
    if (!pixels || locked.Size() < sizeof(DibHeader) + m_header.clrUsed * 4 + m_header.sizeImage) return false;
    const int width = m_header.width, height = m_header.height, bits = m_header.bitCount;
    const TW_UINT32 rowBytes = TW_UINT32((bits * width + 7) / 8);
    const TW_UINT32 samples = bits == 24 ? 3 : 1;

    struct Entry {
        TW_UINT16 tag, type;
        TW_UINT32 count, value;
    };
    const TW_UINT16 kShort = 3, kLong = 4, kRational = 5;
    const int entryCount = 13;
    const TW_UINT32 ifdOffset = 8;
    const TW_UINT32 extraOffset = ifdOffset + 2 + entryCount * 12 + 4;  // bits per sample, then two resolutions
    const TW_UINT32 resolutionOffset = extraOffset + 6;
    const TW_UINT32 dataOffset = resolutionOffset + 16;
    const Entry entries[entryCount] = {
        {256, kLong, 1, TW_UINT32(width)},
        {257, kLong, 1, TW_UINT32(height)},
        {258, kShort, samples, samples == 3 ? extraOffset : TW_UINT32(bits)},
        {259, kShort, 1, 1},
        {262, kShort, 1, samples == 3 ? 2u : 1u},
        {273, kLong, 1, dataOffset},
        {277, kShort, 1, samples},
        {278, kLong, 1, TW_UINT32(height)},
        {279, kLong, 1, rowBytes * TW_UINT32(height)},
        {282, kRational, 1, resolutionOffset},
        {283, kRational, 1, resolutionOffset + 8},
        {284, kShort, 1, 1},
        {296, kShort, 1, 2},
    };
    std::vector<unsigned char> head;
    auto put16 = [&](TW_UINT32 v) {
        head.push_back(static_cast<unsigned char>(v));
        head.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto put32 = [&](TW_UINT32 v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    head = {'I', 'I', 42, 0};
    put32(ifdOffset);
    put16(entryCount);
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == kShort && e.count == 1) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);
    put16(8), put16(8), put16(8);
    put32(kDotsPerInch), put32(1), put32(kDotsPerInch), put32(1);

    File file(std::fopen(path, "wb"));
    if (!file || !WriteAll(file.get(), head.data(), head.size())) return false;
    std::vector<unsigned char> row(rowBytes);
    for (int y = height - 1; y >= 0; --y) {
        std::memcpy(row.data(), pixels + std::size_t(y) * std::size_t(m_stride), rowBytes);
        if (bits == 24)
            for (int x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
        if (!WriteAll(file.get(), row.data(), row.size())) return false;
    }
    return Finish(std::move(file));
}
