// The recorder's AVI writer and its after-closing mends, with the platform's
// AVIFile as the reader that checks what was written.
#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AviFilePatch.h"
#include "AviWriter.h"
#include "FramePictures.h"
#include "RecordVideo.h"
#include "VideoRecorder.h"

namespace {

using Bytes = std::vector<unsigned char>;
using frametest::ReadBytes;
using frametest::TempFile;
using frametest::WriteBytes;

DWORD DwordAt(const Bytes& bytes, size_t at)
{
    DWORD value = 0;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}

void AppendId(Bytes& bytes, const char* id) { bytes.insert(bytes.end(), id, id + 4); }
void Append(Bytes& bytes, DWORD value)
{
    const auto* p = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), p, p + 4);
}

const WAVEFORMATEX kMono16{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
const WAVEFORMATEX kStereo16{WAVE_FORMAT_PCM, 2, 8000, 32000, 4, 16, 0};

std::string ResultText(HRESULT result)
{
    char text[128];
    AviResultText(result, text, sizeof text);
    return text;
}

TEST(AviResultText, NamesEveryCodeAndTruncatesToTheBuffer)
{
    const struct {
        HRESULT code;
        const char* text;
    } cases[] = {
        {0, "Success"},
        {static_cast<HRESULT>(0x80044066), "AVIERR_BADFORMAT: corrupt file or unrecognized format"},
        {static_cast<HRESULT>(0x80044072), "AVIERR_READONLY: file is read-only"},
        {static_cast<HRESULT>(0x80044073), "AVIERR_NOTOPEN"},
        {static_cast<HRESULT>(0x800440C7), "AVIERR_ERROR"},
        {static_cast<HRESULT>(0x80040154), "REGDB_E_CLASSNOTREG: file type not recognised"},
        {static_cast<HRESULT>(0x80044099), "unknown avi result code"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResultText(c.code), c.text) << std::hex << c.code;

    char small[5] = "xxxx";
    EXPECT_EQ(AviResultText(AVIERR_BADPARAM, small, sizeof small), 15);
    EXPECT_STREQ(small, "AVIE");
    EXPECT_EQ(AviResultText(AVIERR_BADPARAM, nullptr, 0), 15);
}

// A writer on a fresh temporary file, closed at the end of the test.
struct OpenWriter {
    explicit OpenWriter(const wchar_t* name, UINT period = 34, const WAVEFORMATEX* sound = nullptr)
        : path(TempFile(name))
    {
        DeleteFileW(path.c_str());
        writer = AviWriterOpen(path.c_str(), period, sound);
    }
    ~OpenWriter() { Close(); }
    void Close()
    {
        if (writer) AviWriterClose(writer);
        writer = nullptr;
    }
    std::wstring path;
    AviWriter* writer;
};

TEST(AviWriterAddAudio, CountsSamplesAsBlocksOfAllChannels)
{
    OpenWriter stereo(L"avi_stereo.avi", 34, &kStereo16);
    ASSERT_NE(stereo.writer, nullptr);
    const Bytes block(4096, 0);
    EXPECT_EQ(AviWriterAddAudio(stereo.writer, block.data(), 4096), AVIERR_OK);
    EXPECT_EQ(AviWriterAddAudio(stereo.writer, block.data(), 4096), AVIERR_OK);  // the second block follows on
    EXPECT_EQ(stereo.writer->audioSamplePos, 2048);

    OpenWriter mono(L"avi_mono.avi", 34, &kMono16);
    EXPECT_EQ(AviWriterAddAudio(mono.writer, block.data(), 4095), AVIERR_BADPARAM);
    EXPECT_EQ(AviWriterAddAudio(mono.writer, nullptr, 4096), AVIERR_BADPARAM);
    EXPECT_EQ(AviWriterAddAudio(nullptr, block.data(), 4096), AVIERR_BADHANDLE);

    OpenWriter silent(L"avi_silent.avi");
    EXPECT_EQ(AviWriterAddAudio(silent.writer, block.data(), 4096), AVIERR_BADFORMAT);
}

TEST(AviWriterOpen, PeriodZeroRecordsAtTheDefaultRate)
{
    OpenWriter opened(L"avi_period0.avi", 0);
    ASSERT_NE(opened.writer, nullptr);
    CFrameBuffer frame;
    ASSERT_TRUE(frame.Resize(32, 24));
    RecordVideo video(RecordSize::Native);
    ASSERT_EQ(video.WriteFrame(opened.writer, frame.Header(), frame.WritablePlane().pixels), AVIERR_OK);
    opened.Close();
    const Bytes file = ReadBytes(opened.path);
    ASSERT_GT(file.size(), 136u);
    EXPECT_EQ(DwordAt(file, 128), kDefaultFramePeriodMs);  // the video stream's dwScale
    EXPECT_EQ(DwordAt(file, 132), 1000u);
}

// A canonical WAV image of `bytes` bytes of sound.
Bytes WaveImage(const WAVEFORMATEX& format, DWORD bytes)
{
    Bytes image;
    AppendId(image, "RIFF"), Append(image, 36 + bytes), AppendId(image, "WAVE"), AppendId(image, "fmt "),
        Append(image, 16u);
    const auto* f = reinterpret_cast<const unsigned char*>(&format);
    image.insert(image.end(), f, f + 16);
    AppendId(image, "data"), Append(image, bytes);
    image.resize(image.size() + bytes, 0x11);
    return image;
}

TEST(AviWriterAddWav, TakesTheSoundOfAWellFormedImage)
{
    OpenWriter opened(L"avi_wav.avi");
    const Bytes image = WaveImage(kStereo16, 8000);
    EXPECT_EQ(AviWriterAddWav(opened.writer, image.data(), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(opened.writer->audioSamplePos, 2000);
    EXPECT_EQ(opened.writer->waveFormat.nBlockAlign, 4);

    const std::wstring wav = TempFile(L"avi_sound.wav");
    WriteBytes(wav, WaveImage(kStereo16, 400));
    EXPECT_EQ(AviWriterAddWav(opened.writer, wav.c_str(), SND_FILENAME), AVIERR_OK);
    EXPECT_EQ(opened.writer->audioSamplePos, 2100);

    // Another format than the stream's is refused, the stream stays usable.
    const Bytes mono = WaveImage(kMono16, 400);
    EXPECT_EQ(AviWriterAddWav(opened.writer, mono.data(), SND_MEMORY), AVIERR_BADFORMAT);
    EXPECT_EQ(AviWriterAddWav(opened.writer, image.data(), SND_MEMORY), AVIERR_OK);
}

TEST(AviWriterAddWav, RefusesImagesWhoseChunksLeaveTheFile)
{
    const Bytes good = WaveImage(kMono16, 64);
    struct Case {
        const char* what;
        Bytes image;
    };
    std::vector<Case> cases = {
        {"data longer than the file", good}, {"format chunk too short", good},
        {"format chunk past the end", good}, {"no data chunk", Bytes(good.begin(), good.begin() + 36)},
        {"not a WAVE file", good},           {"only a header", Bytes(good.begin(), good.begin() + 12)},
    };
    auto put = [](Bytes& b, size_t at, DWORD v) { std::memcpy(&b[at], &v, 4); };
    put(cases[0].image, 40, 1u << 20);
    put(cases[1].image, 16, 8);
    put(cases[2].image, 16, 0xFFFFFFF0u);
    put(cases[3].image, 4, 28);
    std::memcpy(&cases[4].image[8], "AVI ", 4);
    put(cases[5].image, 4, 4);

    const std::wstring wav = TempFile(L"avi_bad.wav");
    for (const Case& c : cases) {
        OpenWriter opened(L"avi_badwav.avi");
        EXPECT_EQ(AviWriterAddWav(opened.writer, c.image.data(), SND_MEMORY), AVIERR_BADFORMAT) << c.what;
        WriteBytes(wav, c.image);
        EXPECT_EQ(AviWriterAddWav(opened.writer, wav.c_str(), SND_FILENAME), AVIERR_BADFORMAT) << c.what;
        EXPECT_EQ(opened.writer->audioSamplePos, 0) << c.what;
    }

    OpenWriter opened(L"avi_nowav.avi");
    EXPECT_EQ(AviWriterAddWav(opened.writer, good.data(), 0), AVIERR_BADFLAGS);
    EXPECT_EQ(AviWriterAddWav(opened.writer, nullptr, SND_MEMORY), AVIERR_BADPARAM);
    EXPECT_EQ(AviWriterAddWav(opened.writer, TempFile(L"no such.wav").c_str(), SND_FILENAME), AVIERR_FILEOPEN);
    // Failures stick.
    EXPECT_EQ(AviWriterAddWav(opened.writer, good.data(), SND_MEMORY), AVIERR_ERROR);
}

TEST(ScaleFrameNearest, EnlargingReadsOnlyTheSourceRows)
{
    // 4x3 source, each row its own grey; guard bytes of 0xEE behind it.
    const int stride = 12;
    Bytes source(3 * stride + 64, 0xEE);
    for (int y = 0; y < 3; ++y) std::memset(&source[y * stride], 10 * (y + 1), stride);
    const int w = 40, h = 600, targetStride = 120;
    Bytes target(h * targetStride, 0);
    ScaleFrameNearest(source.data(), 4, 3, stride, target.data(), w, h, targetStride);
    for (int y = 0; y < h; ++y) ASSERT_EQ(target[y * targetStride + 3 * (w - 1)], 10 * (1 + y * 3 / h)) << y;
}

TEST(RecordVideo, WritesEverySampleAtTheStreamSize)
{
    // A 640x480 camera frame into an 800x600 recording: 1,440,000-byte samples.
    OpenWriter opened(L"avi_svga.avi");
    CFrameBuffer frame;
    ASSERT_TRUE(frame.Resize(640, 480));
    RecordVideo video(RecordSize::Svga);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(video.WriteFrame(opened.writer, frame.Header(), frame.WritablePlane().pixels), AVIERR_OK);
    opened.Close();

    AVIFileInit();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileW(&stream, opened.path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    LONG bytes = 0;
    EXPECT_EQ(AVIStreamRead(stream, 1, 1, nullptr, 0, &bytes, nullptr), AVIERR_OK);
    EXPECT_EQ(bytes, 1440000);
    BITMAPINFOHEADER format{};
    LONG formatSize = sizeof format;
    EXPECT_EQ(AVIStreamReadFormat(stream, 0, &format, &formatSize), AVIERR_OK);
    EXPECT_EQ(format.biWidth, 800);
    EXPECT_EQ(format.biHeight, 600);
    AVIStreamRelease(stream);
    AVIFileExit();
}

TEST(AviWriterAddFrame, WritesDibSectionsAndRefusesOtherBitmaps)
{
    OpenWriter opened(L"avi_addframe.avi");
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof info.bmiHeader, 8, 6, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    std::memset(bits, 0x5A, 8 * 6 * 3);
    HBITMAP plain = CreateBitmap(8, 6, 1, 32, nullptr);

    EXPECT_EQ(AviWriterAddFrame(nullptr, dib), AVIERR_BADHANDLE);
    EXPECT_EQ(AviWriterAddFrame(opened.writer, nullptr), AVIERR_BADPARAM);
    EXPECT_EQ(AviWriterAddFrame(opened.writer, plain), AVIERR_BADPARAM);
    EXPECT_EQ(AviWriterAddFrame(opened.writer, dib), AVIERR_OK);
    EXPECT_EQ(AviWriterAddFrame(opened.writer, dib), AVIERR_OK);
    EXPECT_EQ(opened.writer->frameCount, 2);
    // The stream's compression is fixed by the first frame.
    EXPECT_EQ(AviWriterSetCompression(opened.writer, dib, nullptr, FALSE, nullptr), AVIERR_COMPRESSOR);
    opened.Close();
    DeleteObject(plain);
    DeleteObject(dib);

    AVIFileInit();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileW(&stream, opened.path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(stream), 2);
    Bytes pixels(8 * 6 * 3);
    EXPECT_EQ(AVIStreamRead(stream, 1, 1, pixels.data(), static_cast<LONG>(pixels.size()), nullptr, nullptr),
              AVIERR_OK);
    EXPECT_EQ(pixels, Bytes(pixels.size(), 0x5A));
    AVIStreamRelease(stream);
    AVIFileExit();
}

// A real recording of `frames` small frames, closed uncorrected.
std::wstring SmallRecording(const wchar_t* name, int frames)
{
    OpenWriter opened(name);
    CFrameBuffer frame;
    frame.Resize(16, 12);
    RecordVideo video(RecordSize::Native);
    for (int i = 0; i < frames; ++i) video.WriteFrame(opened.writer, frame.Header(), frame.WritablePlane().pixels);
    return opened.path;
}

TEST(CorrectAviFrameRate, WritesTheMeasuredPeriodIntoTheVideoHeader)
{
    const std::wstring path = SmallRecording(L"avi_rate.avi", 3);
    EXPECT_TRUE(CorrectAviFrameRate(path.c_str(), 12000, 300));  // 25 frames per second
    EXPECT_EQ(DwordAt(ReadBytes(path), 128), 40u);

    // No frames, or more frames than milliseconds: nothing changes.
    const Bytes before = ReadBytes(path);
    EXPECT_FALSE(CorrectAviFrameRate(path.c_str(), 5000, 0));
    EXPECT_FALSE(CorrectAviFrameRate(path.c_str(), 10, 300));
    EXPECT_EQ(ReadBytes(path), before);

    // A file of another layout is left as it was.
    Bytes other = before;
    std::memcpy(&other[108], "auds", 4);
    const std::wstring otherPath = TempFile(L"avi_rate_other.avi");
    WriteBytes(otherPath, other);
    EXPECT_FALSE(CorrectAviFrameRate(otherPath.c_str(), 12000, 300));
    EXPECT_EQ(ReadBytes(otherPath), other);
}

// The layout the repair mends: an empty chunk after the header list, then a
// movie list that starts with a sound chunk before the first video frame.
// Two streams: video, and 8 samples of sound in two chunks.
// Frame i's pixels are bytes of value i + 1.
struct GappedFile {
    Bytes bytes;
    size_t emptyChunkAt, indexAt;
};

GappedFile MakeGappedFile()
{
    const DWORD frameBytes = 16 * 12 * 3;
    Bytes strl;
    AppendId(strl, "strl"), AppendId(strl, "strh"), Append(strl, 56u);
    AppendId(strl, "vids"), AppendId(strl, "DIB "), Append(strl, 0u), Append(strl, 0u), Append(strl, 0u);
    Append(strl, 40u), Append(strl, 1000u), Append(strl, 0u), Append(strl, 2u), Append(strl, frameBytes);
    Append(strl, 0xFFFFFFFFu), Append(strl, 0u), Append(strl, 0u), Append(strl, 16 | 12 << 16);
    AppendId(strl, "strf"), Append(strl, 40u);
    BITMAPINFOHEADER format{sizeof format, 16, 12, 1, 24, BI_RGB, frameBytes, 0, 0, 0, 0};
    const auto* f = reinterpret_cast<const unsigned char*>(&format);
    strl.insert(strl.end(), f, f + 40);

    Bytes sound;
    AppendId(sound, "strl"), AppendId(sound, "strh"), Append(sound, 56u);
    AppendId(sound, "auds"), Append(sound, 0u), Append(sound, 0u), Append(sound, 0u), Append(sound, 0u);
    Append(sound, 2u), Append(sound, 16000u), Append(sound, 0u), Append(sound, 16u), Append(sound, 16u);
    Append(sound, 0xFFFFFFFFu), Append(sound, 2u), Append(sound, 0u), Append(sound, 0u);
    AppendId(sound, "strf"), Append(sound, 18u);
    const auto* w = reinterpret_cast<const unsigned char*>(&kMono16);
    sound.insert(sound.end(), w, w + 18);

    Bytes hdrl;
    AppendId(hdrl, "hdrl"), AppendId(hdrl, "avih"), Append(hdrl, 56u);
    const DWORD avih[14] = {40000, 0, 0, 0x10, 7, 0, 2, frameBytes, 16, 12, 0, 0, 0, 0};
    for (DWORD v : avih) Append(hdrl, v);
    AppendId(hdrl, "LIST"), Append(hdrl, static_cast<DWORD>(strl.size()));
    hdrl.insert(hdrl.end(), strl.begin(), strl.end());
    AppendId(hdrl, "LIST"), Append(hdrl, static_cast<DWORD>(sound.size()));
    hdrl.insert(hdrl.end(), sound.begin(), sound.end());

    // The movie list: a sound chunk, frame 0, a sound chunk, frame 1.
    Bytes movi;
    AppendId(movi, "movi");
    struct Chunk {
        const char* id;
        DWORD size;
        unsigned char fill;
    };
    const Chunk chunks[] = {{"01wb", 16, 0}, {"00db", frameBytes, 1}, {"01wb", 16, 0}, {"00db", frameBytes, 2}};
    Bytes index;
    for (const Chunk& c : chunks) {
        AppendId(index, c.id), Append(index, AVIIF_KEYFRAME), Append(index, static_cast<DWORD>(movi.size()));
        Append(index, c.size);
        AppendId(movi, c.id), Append(movi, c.size);
        movi.resize(movi.size() + c.size, c.fill);
    }

    GappedFile file;
    Bytes& b = file.bytes;
    AppendId(b, "RIFF"), Append(b, 0u), AppendId(b, "AVI ");
    AppendId(b, "LIST"), Append(b, static_cast<DWORD>(hdrl.size()));
    b.insert(b.end(), hdrl.begin(), hdrl.end());
    file.emptyChunkAt = b.size();
    AppendId(b, "JUNK"), Append(b, 0u);
    AppendId(b, "LIST"), Append(b, static_cast<DWORD>(movi.size()));
    b.insert(b.end(), movi.begin(), movi.end());
    file.indexAt = b.size();
    AppendId(b, "idx1"), Append(b, static_cast<DWORD>(index.size()));
    b.insert(b.end(), index.begin(), index.end());
    const DWORD riffSize = static_cast<DWORD>(b.size() - 8);
    std::memcpy(&b[4], &riffSize, 4);
    return file;
}

TEST(RepairAviLayout, MovesTheMovieListUpToTheFirstFrame)
{
    const GappedFile gapped = MakeGappedFile();
    const std::wstring path = TempFile(L"avi_gapped.avi");
    WriteBytes(path, gapped.bytes);
    ASSERT_TRUE(RepairAviLayout(path.c_str()));

    const Bytes repaired = ReadBytes(path);
    ASSERT_EQ(repaired.size(), gapped.bytes.size());
    const DWORD gap = 24;  // the leading sound chunk
    EXPECT_EQ(DwordAt(repaired, gapped.emptyChunkAt + 4), gap);
    EXPECT_EQ(std::memcmp(&repaired[gapped.emptyChunkAt + 8 + gap], "LIST", 4), 0);
    EXPECT_EQ(DwordAt(repaired, 48), 2u);  // frames counted from the index
    EXPECT_EQ(std::memcmp(&repaired[gapped.indexAt], "JUNK", 4), 0);
    EXPECT_EQ(std::memcmp(&repaired[gapped.indexAt + 16], "idx1", 4), 0);

    // The platform's reader finds both frames, in order, in the mended file.
    AVIFileInit();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileW(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(stream), 2);
    for (LONG i = 0; i < 2; ++i) {
        Bytes pixels(16 * 12 * 3);
        LONG read = 0;
        EXPECT_EQ(AVIStreamRead(stream, i, 1, pixels.data(), static_cast<LONG>(pixels.size()), &read, nullptr),
                  AVIERR_OK);
        EXPECT_EQ(pixels, Bytes(pixels.size(), static_cast<unsigned char>(i + 1))) << "frame " << i;
    }
    AVIStreamRelease(stream);
    AVIFileExit();
}

TEST(RepairAviLayout, LeavesOtherFilesByteForByte)
{
    const GappedFile gapped = MakeGappedFile();
    const size_t s = DwordAt(gapped.bytes, 16);
    const size_t firstFrame = 40 + s + 24, secondFrame = firstFrame + 8 + 16 * 12 * 3 + 24;
    struct Case {
        const char* what;
        std::vector<std::pair<size_t, DWORD>> writes;
        size_t cutTo;  // 0: whole
    };
    const Case cases[] = {
        {"chunk after the header list not empty", {{gapped.emptyChunkAt + 4, 8}}, 0},
        {"header list larger than the file", {{16, 0x7FFFFFF0}}, 0},
        {"movie list larger than the file", {{32 + s, 0x7FFFFFF0}}, 0},
        {"movie list ends before its index", {{32 + s, 64}}, 0},
        {"index larger than the file", {{gapped.indexAt + 4, 0x7FFFFFF0}}, 0},
        {"index of partial entries", {{gapped.indexAt + 4, 72}}, 0},
        {"no index", {{gapped.indexAt, mmioFOURCC('J', 'U', 'N', 'K')}}, 0},
        {"no video chunk",
         {{firstFrame, mmioFOURCC('0', '1', 'w', 'b')}, {secondFrame, mmioFOURCC('0', '1', 'w', 'b')}},
         0},
        {"not an AVI file", {{8, mmioFOURCC('W', 'A', 'V', 'E')}}, 0},
        {"cut off inside the index", {}, gapped.indexAt + 20},
        {"cut off inside the headers", {}, 60},
    };
    const std::wstring path = TempFile(L"avi_malformed.avi");
    for (const Case& c : cases) {
        Bytes bytes = gapped.bytes;
        for (const auto& write : c.writes) std::memcpy(&bytes[write.first], &write.second, 4);
        if (c.cutTo) bytes.resize(c.cutTo);
        WriteBytes(path, bytes);
        EXPECT_FALSE(RepairAviLayout(path.c_str())) << c.what;
        EXPECT_EQ(ReadBytes(path), bytes) << c.what;
    }
    EXPECT_FALSE(RepairAviLayout(TempFile(L"no such.avi").c_str()));
}

TEST(MendAviSoundStreams, GivesTheSoundStreamItsLengthInSamples)
{
    OpenWriter opened(L"avi_sound_len.avi", 34, &kMono16);
    CFrameBuffer frame;
    ASSERT_TRUE(frame.Resize(16, 12));
    RecordVideo video(RecordSize::Native);
    AVICOMPRESSOPTIONS uncompressed{};
    uncompressed.fccType = streamtypeVIDEO;
    uncompressed.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
    ASSERT_EQ(video.CreateStream(opened.writer, frame.Header(), &uncompressed), AVIERR_OK);
    const Bytes block(4096, 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(AviWriterAddAudio(opened.writer, block.data(), 4096), AVIERR_OK);
        ASSERT_EQ(video.WriteFrame(opened.writer, frame.Header(), frame.WritablePlane().pixels), AVIERR_OK);
    }
    opened.Close();
    MendAviSoundStreams(opened.path.c_str());

    AVIFileInit();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileW(&stream, opened.path.c_str(), streamtypeAUDIO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(stream), 3 * 2048);
    AVIStreamRelease(stream);
    AVIFileExit();

    // The index in the order of the chunks.
    const Bytes file = ReadBytes(opened.path);
    size_t at = file.size();
    while (at >= 8 && std::memcmp(&file[at - 8], "idx1", 4)) --at;  // the index sits at the end
    ASSERT_GE(at, 8u);
    const DWORD entries = DwordAt(file, at - 4) / 16;
    for (DWORD i = 1; i < entries; ++i) EXPECT_LT(DwordAt(file, at + 16 * (i - 1) + 8), DwordAt(file, at + 16 * i + 8));

    const Bytes mended = ReadBytes(opened.path);
    EXPECT_FALSE(MendAviSoundStreams(opened.path.c_str()));  // nothing more to mend
    EXPECT_EQ(ReadBytes(opened.path), mended);
}

// Reads the stream's samples: their count, and each sample's bytes.
std::vector<Bytes> ReadSamples(const std::wstring& path, DWORD type)
{
    std::vector<Bytes> samples;
    AVIFileInit();
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileW(&stream, path.c_str(), type, 0, OF_READ, nullptr) == AVIERR_OK) {
        const LONG length = AVIStreamLength(stream);
        // Sound is read as one block: its samples are two bytes each.
        const LONG step = type == streamtypeAUDIO ? length : 1;
        for (LONG at = 0; at < length; at += step) {
            LONG bytes = 0;
            AVIStreamRead(stream, at, step, nullptr, 0, &bytes, nullptr);
            Bytes sample(static_cast<size_t>(bytes));
            if (bytes) AVIStreamRead(stream, at, step, sample.data(), bytes, nullptr, nullptr);
            samples.push_back(std::move(sample));
        }
        AVIStreamRelease(stream);
    }
    AVIFileExit();
    return samples;
}

// Three frames, each with its own first pixel, and a sound block after each.
TEST(VideoRecorder, WritesEveryFrameOnceOrTwiceInMotionModeAlsoWithoutSilence)
{
    const struct {
        bool doubleFrames;
        int silenceBlocks;
    } cases[] = {{false, 0}, {true, 0}, {false, 2}};
    for (const auto& c : cases) {
        const std::wstring path = TempFile(L"avi_recorder.avi");
        CFrameBuffer frame;
        ASSERT_TRUE(frame.Resize(16, 12));
        RecordOptions options;
        options.doubleFrames = c.doubleFrames;
        options.silenceBlocks = c.silenceBlocks;
        VideoRecorder recorder;
        ASSERT_EQ(recorder.Start(path.c_str(), 40, options, frame.Header(), &kMono16), AVIERR_OK);
        const Bytes block(4096, 0);
        for (BYTE i = 0; i < 3; ++i) {
            frame.WritablePlane().pixels[0] = i;
            EXPECT_EQ(recorder.TakeFrame(frame), RecordEnd::Running);
            recorder.TakeSound(block.data(), 4096);
        }
        const int times = c.doubleFrames ? 2 : 1;
        EXPECT_EQ(recorder.Stop().frames, 3 * times) << c.doubleFrames;

        const std::vector<Bytes> frames = ReadSamples(path, streamtypeVIDEO);
        ASSERT_EQ(frames.size(), 3u * times) << c.doubleFrames << c.silenceBlocks;
        for (size_t n = 0; n < frames.size(); ++n) {
            ASSERT_FALSE(frames[n].empty());
            EXPECT_EQ(frames[n][0], n / times) << "frame " << n << ", written " << times << " times";
        }
        const std::vector<Bytes> sound = ReadSamples(path, streamtypeAUDIO);
        ASSERT_EQ(sound.size(), 1u) << c.silenceBlocks;
        EXPECT_EQ(sound[0].size(), 4096u * (3 + c.silenceBlocks));
        DeleteFileW(path.c_str());
    }
}

}  // namespace
