#include "AviWriter.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

// Marks the writer failed when a step fails, so later calls refuse at once.
HRESULT Checked(AviWriter* writer, HRESULT result)
{
    if (result != AVIERR_OK) writer->failed = 1;
    return result;
}

HRESULT UsableWriter(const AviWriter* writer)
{
    if (!writer) return AVIERR_BADHANDLE;
    return writer->failed ? AVIERR_ERROR : AVIERR_OK;
}

HRESULT DibSectionOf(HBITMAP bitmap, DIBSECTION& dib)
{
    if (!bitmap || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return AVIERR_BADPARAM;
    return AVIERR_OK;
}

LONG HeaderFormatSize(const BITMAPINFOHEADER& header)
{
    return static_cast<LONG>(header.biSize + 4 * header.biClrUsed);
}

void ReleaseStream(PAVISTREAM& stream)
{
    if (stream) AVIStreamRelease(stream);
    stream = nullptr;
}

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.nAvgBytesPerSec == b.nAvgBytesPerSec && a.nBlockAlign == b.nBlockAlign &&
           a.wBitsPerSample == b.wBitsPerSample;
}

DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }
WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

// The format and samples of a RIFF WAVE image of `size` bytes, found by
// walking its chunks; every chunk must lie inside the image.
HRESULT ParseWave(const BYTE* image, DWORD size, WAVEFORMATEX& format, const BYTE*& samples, DWORD& bytes)
{
    if (size < 12 || std::memcmp(image, "RIFF", 4) || std::memcmp(image + 8, "WAVE", 4)) return AVIERR_BADFORMAT;
    bool haveFormat = false;
    samples = nullptr;
    for (DWORD at = 12; size - at >= 8 && !samples;) {
        const DWORD length = Le32(image + at + 4);
        const DWORD body = at + 8;
        if (length > size - body) return AVIERR_BADFORMAT;
        if (!std::memcmp(image + at, "fmt ", 4)) {
            if (length < 16) return AVIERR_BADFORMAT;
            const BYTE* f = image + body;
            format = WAVEFORMATEX{Le16(f), Le16(f + 2), Le32(f + 4), Le32(f + 8), Le16(f + 12), Le16(f + 14), 0};
            haveFormat = true;
        } else if (!std::memcmp(image + at, "data", 4)) {
            samples = image + body;
            bytes = length;
        }
        at = body + length + (length & 1);
        if (at > size) break;
    }
    return haveFormat && samples ? AVIERR_OK : AVIERR_BADFORMAT;
}

// Wave files are read whole; longer ones than this are refused.
const DWORD kMaxWaveFileBytes = 256u << 20;

HRESULT ReadWaveFile(const wchar_t* path, std::vector<BYTE>& image)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return AVIERR_FILEOPEN;
    LARGE_INTEGER size{};
    HRESULT result = AVIERR_OK;
    if (!GetFileSizeEx(file, &size))
        result = AVIERR_FILEREAD;
    else if (size.QuadPart > kMaxWaveFileBytes)
        result = AVIERR_BADSIZE;
    else {
        DWORD read = 0;
        try {
            image.resize(static_cast<size_t>(size.QuadPart));
        } catch (const std::bad_alloc&) {
            result = AVIERR_MEMORY;
        }
        if (result == AVIERR_OK &&
            (!ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, nullptr) || read != image.size()))
            result = AVIERR_FILEREAD;
    }
    CloseHandle(file);
    return result;
}

// The platform header lacks this code.
const HRESULT kAviErrNotOpen = MAKE_AVIERR(115);

struct ResultText {
    HRESULT code;
    const char* text;
};

const ResultText kResultTexts[] = {
    {AVIERR_OK, "Success"},
    {AVIERR_BADFORMAT, "AVIERR_BADFORMAT: corrupt file or unrecognized format"},
    {AVIERR_MEMORY, "AVIERR_MEMORY: insufficient memory"},
    {AVIERR_INTERNAL, "AVIERR_INTERNAL: internal error"},
    {AVIERR_BADFLAGS, "AVIERR_BADFLAGS"},
    {AVIERR_BADPARAM, "AVIERR_BADPARAM"},
    {AVIERR_BADSIZE, "AVIERR_BADSIZE"},
    {AVIERR_BADHANDLE, "AVIERR_BADHANDLE"},
    {AVIERR_FILEREAD, "AVIERR_FILEREAD: disk error while reading file"},
    {AVIERR_FILEWRITE, "AVIERR_FILEWRITE: disk error while writing file"},
    {AVIERR_FILEOPEN, "AVIERR_FILEOPEN: disk error while opening file"},
    {AVIERR_COMPRESSOR, "AVIERR_COMPRESSOR"},
    {AVIERR_NOCOMPRESSOR, "AVIERR_NOCOMPRESSOR: a suitable compressor could not be found"},
    {AVIERR_READONLY, "AVIERR_READONLY: file is read-only"},
    {kAviErrNotOpen, "AVIERR_NOTOPEN"},
    {AVIERR_BUFFERTOOSMALL, "AVIERR_BUFFERTOOSMALL"},
    {AVIERR_CANTCOMPRESS, "AVIERR_CANTCOMPRESS"},
    {AVIERR_USERABORT, "AVIERR_USERABORT"},
    {AVIERR_ERROR, "AVIERR_ERROR"},
    {AVIERR_UNSUPPORTED, "AVIERR_UNSUPPORTED: compression is not supported for this type of data"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG: file type not recognised"},
};

}  // namespace

AviWriter* AviWriterOpen(const wchar_t* path, UINT framePeriod, const WAVEFORMATEX* waveFormat)
{
    AVIFileInit();
    PAVIFILE file = nullptr;
    if (!path || AVIFileOpenW(&file, path, OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK) {
        AVIFileExit();
        return nullptr;
    }
    AviWriter* writer = new (std::nothrow) AviWriter{};
    if (!writer) {
        AVIFileRelease(file);
        AVIFileExit();
        return nullptr;
    }
    writer->file = file;
    if (waveFormat) {
        writer->waveFormat = *waveFormat;
        writer->waveFormat.cbSize = 0;
    }
    // A period of 0 would give the stream a rate of 0 frames per second.
    writer->framePeriod = framePeriod ? framePeriod : kDefaultFramePeriodMs;
    return writer;
}

HRESULT AviWriterClose(AviWriter* writer)
{
    if (!writer) return AVIERR_BADHANDLE;
    ReleaseStream(writer->soundStream);
    ReleaseStream(writer->compressedStream);
    ReleaseStream(writer->rawVideoStream);
    if (writer->file) AVIFileRelease(writer->file);
    AVIFileExit();
    delete writer;
    return AVIERR_OK;
}

HRESULT AviWriterAddAudio(AviWriter* writer, const void* data, DWORD bytes)
{
    if (!writer) return AVIERR_BADHANDLE;
    if (!data || !bytes) return AVIERR_BADPARAM;
    if (writer->failed) return AVIERR_ERROR;
    const WAVEFORMATEX& format = writer->waveFormat;
    if (!format.nChannels || !format.nBlockAlign) return AVIERR_BADFORMAT;
    // One sample of the stream is one block of all channels.
    if (bytes % format.nBlockAlign) return AVIERR_BADPARAM;
    const LONG samples = static_cast<LONG>(bytes / format.nBlockAlign);

    if (HRESULT created = AviWriterEnsureSoundStream(writer)) return created;
    // Appended (start -1) rather than placed at audioSamplePos: some AVIFile
    // implementations count a sound stream's length in blocks, and refuse a
    // start past that count.
    const HRESULT result = Checked(writer, AVIStreamWrite(writer->soundStream, -1, samples, const_cast<void*>(data),
                                                          static_cast<LONG>(bytes), 0, nullptr, nullptr));
    if (result == AVIERR_OK) writer->audioSamplePos += samples;
    return result;
}

HRESULT AviWriterEnsureSoundStream(AviWriter* writer)
{
    if (!writer) return AVIERR_BADHANDLE;
    if (writer->failed) return AVIERR_ERROR;
    const WAVEFORMATEX& format = writer->waveFormat;
    if (!format.nChannels || !format.nBlockAlign) return AVIERR_BADFORMAT;
    if (writer->soundStream) return AVIERR_OK;
    AVISTREAMINFOW info{};
    info.fccType = streamtypeAUDIO;
    info.dwScale = format.nBlockAlign;
    info.dwRate = format.nSamplesPerSec * format.nBlockAlign;
    info.dwSampleSize = format.nBlockAlign;
    info.dwQuality = 0xFFFFFFFF;
    const HRESULT result = Checked(writer, AVIFileCreateStreamW(writer->file, &writer->soundStream, &info));
    if (result != AVIERR_OK) return result;
    WAVEFORMATEX copy = format;
    return Checked(writer, AVIStreamSetFormat(writer->soundStream, 0, &copy, sizeof copy));
}

HRESULT AviWriterAddWav(AviWriter* writer, const void* source, DWORD flags)
{
    if (flags != SND_MEMORY && flags != SND_FILENAME) return AVIERR_BADFLAGS;
    if (!source) return AVIERR_BADPARAM;
    if (HRESULT usable = UsableWriter(writer)) return usable;

    std::vector<BYTE> fileImage;
    const BYTE* image = static_cast<const BYTE*>(source);
    DWORD size = 0;
    if (flags == SND_FILENAME) {
        if (HRESULT result = ReadWaveFile(static_cast<const wchar_t*>(source), fileImage))
            return Checked(writer, result == AVIERR_FILEREAD ? result : AVIERR_FILEOPEN);
        image = fileImage.data();
        size = static_cast<DWORD>(fileImage.size());
    } else {
        // A memory image carries its own length in the RIFF header.
        const DWORD riffSize = Le32(image + 4);
        if (riffSize > kMaxWaveFileBytes) return AVIERR_BADSIZE;
        size = riffSize + 8;
    }

    WAVEFORMATEX format{};
    const BYTE* samples = nullptr;
    DWORD bytes = 0;
    if (HRESULT result = ParseWave(image, size, format, samples, bytes)) return result;
    if (writer->waveFormat.nChannels) {
        if (!SameFormat(writer->waveFormat, format)) return AVIERR_BADFORMAT;
    } else {
        writer->waveFormat = format;
    }
    return AviWriterAddAudio(writer, samples, bytes);
}

HRESULT AviWriterEnsureVideoStream(AviWriter* writer, LONG width, LONG height, DWORD bufferSize)
{
    if (writer->rawVideoStream) return AVIERR_OK;
    AVISTREAMINFOW info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = writer->framePeriod;
    info.dwRate = 1000;
    info.dwSuggestedBufferSize = bufferSize;
    SetRect(&info.rcFrame, 0, 0, width, height);
    return Checked(writer, AVIFileCreateStreamW(writer->file, &writer->rawVideoStream, &info));
}

HRESULT AviWriterEnsureCompressedStream(AviWriter* writer, AVICOMPRESSOPTIONS* options, const void* format,
                                        LONG formatSize)
{
    if (writer->compressedStream) return AVIERR_OK;
    HRESULT result =
        Checked(writer, AVIMakeCompressedStream(&writer->compressedStream, writer->rawVideoStream, options, nullptr));
    if (result != AVIERR_OK) return result;
    return Checked(writer, AVIStreamSetFormat(writer->compressedStream, 0, const_cast<void*>(format), formatSize));
}

HRESULT AviWriterWriteVideo(AviWriter* writer, const void* bits, LONG bytes)
{
    const HRESULT result =
        Checked(writer, AVIStreamWrite(writer->compressedStream, writer->frameCount, 1, const_cast<void*>(bits), bytes,
                                       AVIIF_KEYFRAME, nullptr, nullptr));
    if (result == AVIERR_OK) ++writer->frameCount;
    return result;
}

HRESULT AviWriterAddFrame(AviWriter* writer, HBITMAP dibSection)
{
    if (!writer) return AVIERR_BADHANDLE;
    DIBSECTION dib;
    if (HRESULT result = DibSectionOf(dibSection, dib)) return result;
    if (writer->failed) return AVIERR_ERROR;
    const BITMAPINFOHEADER& header = dib.dsBmih;
    HRESULT result = AviWriterEnsureVideoStream(writer, header.biWidth, header.biHeight, header.biSizeImage);
    if (result != AVIERR_OK) return result;
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
    result = AviWriterEnsureCompressedStream(writer, &options, &header, HeaderFormatSize(header));
    if (result != AVIERR_OK) return result;
    GdiFlush();
    return AviWriterWriteVideo(writer, dib.dsBm.bmBits, static_cast<LONG>(header.biSizeImage));
}

HRESULT AviWriterSetCompression(AviWriter* writer, HBITMAP dibSection, const AVICOMPRESSOPTIONS* options,
                                BOOL showDialog, HWND parent)
{
    if (!writer) return AVIERR_BADHANDLE;
    DIBSECTION dib;
    if (HRESULT result = DibSectionOf(dibSection, dib)) return result;
    if (writer->failed) return AVIERR_ERROR;
    if (writer->compressedStream) return AVIERR_COMPRESSOR;
    const BITMAPINFOHEADER& header = dib.dsBmih;
    HRESULT result = AviWriterEnsureVideoStream(writer, header.biWidth, header.biHeight, header.biSizeImage);
    if (result != AVIERR_OK) return result;

    AVICOMPRESSOPTIONS chosen{};
    if (options) chosen = *options;
    AVICOMPRESSOPTIONS* list[1] = {&chosen};
    if (showDialog && !AVISaveOptions(parent, 0, 1, &writer->rawVideoStream, list)) {
        writer->failed = 1;
        return AVIERR_USERABORT;
    }
    result = AviWriterEnsureCompressedStream(writer, &chosen, &header, HeaderFormatSize(header));
    if (showDialog) AVISaveOptionsFree(1, list);
    return result;
}

int AviResultText(HRESULT result, char* buffer, int size)
{
    const char* text = "unknown avi result code";
    for (const ResultText& entry : kResultTexts)
        if (entry.code == result) text = entry.text;
    const int length = static_cast<int>(std::strlen(text));
    if (buffer && size > 0) {
        const int copied = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, text, copied);
        buffer[copied] = '\0';
    }
    return length;
}
