// Records the simulated camera's page for outside readers (ffprobe, ffmpeg)
// to check: avi_record_probe <output folder>. Writes the reference pictures
// ref_<n>.bmp and the recordings:
//   native.avi  16 pages at 1024x768, rate corrected to 50 ms per frame
//   sound.avi   the same with the sound of tone.wav (made here, 1.5 s)
//   qvga.avi    8 pages scaled to 320x240, 25 ms per frame
//   svga.avi    8 pages first made 640x480, then recorded at 800x600, 25 ms
//   abrupt.avi  5 pages, closed without the rate correction
// Exit code 0 when every step worked.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AviFilePatch.h"
#include "AviWriter.h"
#include "FrameBuffer.h"
#include "FrameCodecs.h"
#include "RecordVideo.h"
#include "SimPictures.h"

namespace {

const UINT kPeriodAtStart = 34;

std::vector<CFrameBuffer> g_pages(simcam::kTestPictureCount);

bool DecodePages(const std::wstring& folder)
{
    for (int i = 0; i < simcam::kTestPictureCount; ++i) {
        const simcam::Picture& picture = simcam::kTestPictures[i];
        if (!DecodeCameraJpeg(g_pages[i], picture.bytes, static_cast<int>(picture.size))) return false;
        if (!g_pages[i].SaveBmpFile((folder + L"\\ref_" + std::to_wstring(i) + L".bmp").c_str())) return false;
    }
    return true;
}

const BYTE* Bits(KVQFrameBuffer& frame) { return frame.WritablePlane().pixels; }

bool Record(const std::wstring& path, RecordSize size, int frames, const WAVEFORMATEX* sound, const std::wstring& wave,
            DWORD correctedMs, KVQFrameBuffer* (*page)(int))
{
    AviWriter* writer = AviWriterOpen(path.c_str(), kPeriodAtStart, sound);
    if (!writer) return false;
    RecordVideo video(size);
    // As the recorder does: both streams exist before the first frame.
    AVICOMPRESSOPTIONS options;
    std::vector<BYTE> codecState;
    ChooseRecordCompression(options, codecState);  // no XviD here: uncompressed
    HRESULT result = video.CreateStream(writer, page(0)->Header(), &options);
    if (result == AVIERR_OK && !wave.empty()) result = AviWriterAddWav(writer, wave.c_str(), SND_FILENAME);
    for (int i = 0; i < frames && result == AVIERR_OK; ++i) {
        KVQFrameBuffer& frame = *page(i);
        result = video.WriteFrame(writer, frame.Header(), Bits(frame));
    }
    const LONG written = writer->frameCount;
    AviWriterClose(writer);
    if (result != AVIERR_OK || written != frames) {
        char text[128];
        AviResultText(result, text, sizeof text);
        std::fprintf(stderr, "%ls: %s\n", path.c_str(), text);
        return false;
    }
    if (!wave.empty() && !MendAviSoundStreams(path.c_str())) return false;
    return !correctedMs || CorrectAviFrameRate(path.c_str(), correctedMs, written);
}

KVQFrameBuffer* Page(int i) { return &g_pages[i % simcam::kTestPictureCount]; }

// The page at 640x480, the size of a camera mode below the recording's.
CFrameBuffer g_smallPage;
KVQFrameBuffer* SmallPage(int i)
{
    KVQFrameBuffer& page = *Page(i);
    g_smallPage.Resize(640, 480);
    const BgrPlane target = g_smallPage.WritablePlane();
    ScaleFrameNearest(Bits(page), page.Width(), page.Height(), page.Stride(), target.pixels, 640, 480, target.stride);
    return &g_smallPage;
}

bool WriteTone(const std::wstring& path, DWORD seconds10)
{
    const DWORD rate = 8000, samples = rate * seconds10 / 10, bytes = samples * 2;
    std::vector<BYTE> image(44 + bytes);
    auto put32 = [&](size_t at, DWORD v) { std::memcpy(&image[at], &v, 4); };
    auto put16 = [&](size_t at, WORD v) { std::memcpy(&image[at], &v, 2); };
    std::memcpy(&image[0], "RIFF", 4), put32(4, 36 + bytes), std::memcpy(&image[8], "WAVEfmt ", 8);
    put32(16, 16), put16(20, 1), put16(22, 1), put32(24, rate), put32(28, rate * 2), put16(32, 2), put16(34, 16);
    std::memcpy(&image[36], "data", 4), put32(40, bytes);
    for (DWORD i = 0; i < samples; ++i) put16(44 + 2 * i, static_cast<WORD>((i / 10) % 2 ? 8000 : -8000));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, image.data(), 44 + bytes, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok && written == 44 + bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) return 2;
    const std::wstring folder = argv[1];
    if (!DecodePages(folder)) return 3;
    if (!WriteTone(folder + L"\\tone.wav", 15)) return 4;
    if (!Record(folder + L"\\native.avi", RecordSize::Native, 16, nullptr, L"", 800, Page)) return 5;
    if (!Record(folder + L"\\sound.avi", RecordSize::Native, 16, nullptr, folder + L"\\tone.wav", 800, Page)) return 6;
    if (!Record(folder + L"\\qvga.avi", RecordSize::Qvga, 8, nullptr, L"", 200, Page)) return 7;
    if (!Record(folder + L"\\svga.avi", RecordSize::Svga, 8, nullptr, L"", 200, SmallPage)) return 8;
    if (!Record(folder + L"\\abrupt.avi", RecordSize::Native, 5, nullptr, L"", 0, Page)) return 9;
    return 0;
}
