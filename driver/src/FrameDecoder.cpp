#include "FrameDecoder.h"

#include <kjpeg/PixelConverters.h>

#include "Bytes.h"
#include "CameraPart.h"
#include "KsGuids.h"

namespace dovracam {

namespace {

static_assert(kDecodeBufferSize >= kjpeg::kMaxPlanesSize, "the decode buffer holds every plane set");

enum class PictureForm { kNone, kYuy2, kRgb24, kRgb555 };

PictureForm FormOf(const CameraContext& camera)
{
    if (camera.fourCC == kFourCcYuy2) return PictureForm::kYuy2;
    if (camera.fourCC != 0) return PictureForm::kNone;
    if (camera.bitCount == 24) return PictureForm::kRgb24;
    if (camera.bitCount == 16) return PictureForm::kRgb555;
    return PictureForm::kNone;
}

size_t Convert(const CameraContext& camera, const kjpeg::DecodedFrame& frame, const kjpeg::Picture& picture)
{
    switch (FormOf(camera)) {
    case PictureForm::kYuy2:
        return kjpeg::ConvertToYuy2(frame, picture);
    case PictureForm::kRgb24:
        return kjpeg::ConvertToRgb24(frame, *static_cast<const kjpeg::Rgb24Tables*>(camera.colourTables), picture);
    case PictureForm::kRgb555:
        return kjpeg::ConvertToRgb555(frame, *static_cast<const kjpeg::Rgb555Table*>(camera.colourTables), picture);
    case PictureForm::kNone:
        break;
    }
    return 0;
}

template <typename Tables>
bool MakeColourTables(CameraContext& camera)
{
    auto* tables = static_cast<Tables*>(ksv_pool_alloc(sizeof(Tables)));
    if (!tables) return false;
    kjpeg::CreateColourTables(tables);
    camera.colourTables = tables;
    return true;
}

}  // namespace

bool SetUpFrameDecoder(CameraContext& camera)
{
    camera.decodeLock = ksv_mutex_create();
    camera.decoderBlock = ksv_pool_alloc(kjpeg::kJpegDecoderBlockSize);
    if (!camera.decodeLock || !camera.decoderBlock) return false;
    if (!kjpeg::CreateJpegDecoder(camera.decoderBlock, kjpeg::kJpegDecoderBlockSize)) return false;
    switch (FormOf(camera)) {
    case PictureForm::kRgb24:
        return MakeColourTables<kjpeg::Rgb24Tables>(camera);
    case PictureForm::kRgb555:
        return MakeColourTables<kjpeg::Rgb555Table>(camera);
    default:
        return true;
    }
}

void FreeFrameDecoder(CameraContext& camera)
{
    if (camera.decodeLock) ksv_mutex_destroy(camera.decodeLock);
    ksv_pool_free(camera.decoderBlock);
    ksv_pool_free(camera.colourTables);
    camera.decodeLock = nullptr;
    camera.decoderBlock = camera.colourTables = nullptr;
}

uint32_t DecodeFrame(CameraContext& camera, const uint8_t* jpeg, uint32_t length, uint8_t* picture, uint32_t capacity)
{
    if (!camera.decodeLock) return 0;
    ksv_mutex_acquire(camera.decodeLock);
    uint32_t used = 0;
    kjpeg::DecodedFrame frame;
    auto* decoder = static_cast<kjpeg::JpegDecoder*>(camera.decoderBlock);
    if (decoder && camera.decodeBuffer && camera.conversionBuffer &&
        kjpeg::DecodeJpegFrame(decoder, jpeg, length, camera.decodeBuffer, kDecodeBufferSize, &frame) ==
            kjpeg::Status::Ok) {
        const kjpeg::Picture converted = {camera.conversionBuffer, camera.conversionSize, camera.outputWidth,
                                          camera.outputHeight};
        const size_t bytes = Convert(camera, frame, converted);
        // A picture that does not fit the read is not delivered in part.
        if (bytes && bytes <= capacity) {
            CopyBytes(picture, camera.conversionBuffer, bytes);
            used = uint32_t(bytes);
        }
    }
    ksv_mutex_release(camera.decodeLock);
    return used;
}

}  // namespace dovracam
