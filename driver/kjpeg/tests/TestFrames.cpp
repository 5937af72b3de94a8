#include "TestFrames.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "testsupport/TurboPlanes.h"

namespace kjpeg_test {

Bytes ReadFrame(const std::string& name)
{
    std::ifstream file(std::string(KJPEG_FRAMES) + "/" + name, std::ios::binary);
    if (!file) throw std::runtime_error("no frame " + name);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

KernelDecode DecodeWithKernel(const Bytes& frame)
{
    std::vector<uint64_t> block(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t));
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block.data(), kjpeg::kJpegDecoderBlockSize);
    KernelDecode result{kjpeg::Status::BadArgument, kjpeg::ChromaLayout::Quarter, Bytes(kjpeg::kMaxPlanesSize)};
    kjpeg::DecodedFrame decoded{};
    result.status = kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), result.planes.data(),
                                           result.planes.size(), &decoded);
    if (result.status == kjpeg::Status::Ok) {
        result.chroma = decoded.chroma;
        result.planes.resize(decoded.size);
    }
    return result;
}

Bytes DecodeWithTurbo(const Bytes& frame)
{
    testsupport::TurboPlanes turbo;
    if (!turbo.Decode(frame)) throw std::runtime_error(turbo.error());
    return turbo.planes();
}

namespace {
// Walks the header segments up to the scan; calls visit(offset, code, total
// bytes of the marker and segment).
template <typename Visit>
void WalkSegments(const Bytes& frame, Visit visit)
{
    size_t at = 2;
    while (at + 4 <= frame.size() && frame[at] == 0xFF) {
        const uint8_t code = frame[at + 1];
        const size_t total = 2 + (size_t{frame[at + 2]} << 8 | frame[at + 3]);
        visit(at, code, total);
        if (code == 0xDA) return;
        at += total;
    }
}
}  // namespace

Bytes WithoutSegments(const Bytes& frame, uint8_t marker)
{
    Bytes out(frame.begin(), frame.begin() + 2);
    size_t copied = 2;
    WalkSegments(frame, [&](size_t at, uint8_t code, size_t total) {
        if (code != marker) out.insert(out.end(), frame.begin() + at, frame.begin() + at + total);
        copied = at + total;
    });
    out.insert(out.end(), frame.begin() + copied, frame.end());
    return out;
}

size_t FindMarker(const Bytes& frame, uint8_t marker)
{
    size_t found = 0;
    WalkSegments(frame, [&](size_t at, uint8_t code, size_t) {
        if (code == marker && found == 0) found = at;
    });
    if (found == 0) throw std::runtime_error("marker not found");
    return found;
}

}  // namespace kjpeg_test
