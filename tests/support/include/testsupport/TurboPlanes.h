// libjpeg-turbo's decode to the kernel decoder's output: Y, Cb and Cr
// planes at their own sampling (no upsampling, no colour conversion), with
// the accurate integer DCT (TurboJPEG's default), one after the other.
// Shared by the kernel decoder's tests (as the oracle) and its benchmark (as
// the peer); who includes it links libjpeg-turbo's TurboJPEG.
#pragma once

#include <turbojpeg.h>

#include <cstdint>
#include <vector>

namespace testsupport {

class TurboPlanes {
public:
    TurboPlanes() : handle_(tjInitDecompress()) {}
    ~TurboPlanes() { tjDestroy(handle_); }
    TurboPlanes(const TurboPlanes&) = delete;
    TurboPlanes& operator=(const TurboPlanes&) = delete;

    // Decodes into planes(); false with error() set when TurboJPEG fails.
    bool Decode(const std::vector<uint8_t>& frame)
    {
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        if (tjDecompressHeader3(handle_, frame.data(), frame.size(), &width, &height, &subsampling, &colourspace) != 0)
            return false;
        int sizes[3], strides[3];
        for (int c = 0; c < 3; ++c) {
            strides[c] = tjPlaneWidth(c, width, subsampling);
            sizes[c] = strides[c] * tjPlaneHeight(c, height, subsampling);
        }
        planes_.resize(static_cast<size_t>(sizes[0]) + sizes[1] + sizes[2]);
        unsigned char* pointers[3] = {planes_.data(), planes_.data() + sizes[0], planes_.data() + sizes[0] + sizes[1]};
        return tjDecompressToYUVPlanes(handle_, frame.data(), frame.size(), pointers, width, strides, height, 0) == 0;
    }

    const std::vector<uint8_t>& planes() const { return planes_; }
    const char* error() { return tjGetErrorStr2(handle_); }

private:
    tjhandle handle_;
    std::vector<uint8_t> planes_;
};

}  // namespace testsupport
