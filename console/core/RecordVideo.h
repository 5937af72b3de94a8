#pragma once

// The recorder's video: the stream made at the size the user chose, and each
// camera frame written as one sample of exactly that size.
#include "AviWriter.h"

#include <vector>

enum class RecordSize { Native, Svga, Vga, Qvga };

// Nearest-neighbour scaling of 24-bit bottom-up rows; strides in bytes.
void ScaleFrameNearest(const BYTE* source, int sourceWidth, int sourceHeight, int sourceStride, BYTE* target,
                       int targetWidth, int targetHeight, int targetStride);

// The compression of a recording: XviD with the installed codec's own state
// as parameters (kept in `codecState`, which must outlive the stream's
// creation), uncompressed frames when the codec is missing or will not
// answer.
void ChooseRecordCompression(AVICOMPRESSOPTIONS& options, std::vector<BYTE>& codecState);

class RecordVideo {
public:
    explicit RecordVideo(RecordSize size);

    // The stream's format from the first frame's header; the compressor
    // options (XviD when installed, else uncompressed) are the caller's.
    HRESULT CreateStream(AviWriter* writer, const BITMAPINFOHEADER& frame, AVICOMPRESSOPTIONS* options);
    // One key frame; a frame of another size than the stream's is scaled.
    HRESULT WriteFrame(AviWriter* writer, const BITMAPINFOHEADER& frame, const BYTE* bits);

private:
    BITMAPINFOHEADER StreamHeader(const BITMAPINFOHEADER& frame) const;

    RecordSize m_size;
    std::vector<BYTE> m_scaled;  // one stream sample, reused for every frame
};
