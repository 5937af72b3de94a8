#pragma once

// The recorder's AVI writer over the platform's AVIFile interface: a video
// stream (uncompressed, or through a compressor chosen by the caller) and an
// optional PCM sound stream. Results are AVIFile codes, 0 on success; after
// one failing step every further call answers AVIERR_ERROR.
#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

struct AviWriter {
    PAVIFILE file;
    WAVEFORMATEX waveFormat;  // all zero: no sound
    UINT framePeriod;         // milliseconds per frame: dwScale over dwRate 1000
    PAVISTREAM soundStream;
    PAVISTREAM rawVideoStream;
    PAVISTREAM compressedStream;  // frames are written here
    LONG frameCount;
    LONG audioSamplePos;
    BYTE failed;
};

// Used when the caller has no measured frame period.
const UINT kDefaultFramePeriodMs = 40;

AviWriter* AviWriterOpen(const wchar_t* path, UINT framePeriod, const WAVEFORMATEX* waveFormat);
HRESULT AviWriterClose(AviWriter* writer);
HRESULT AviWriterAddAudio(AviWriter* writer, const void* data, DWORD bytes);
// source: a WAV image in memory (SND_MEMORY) or a file name (SND_FILENAME).
HRESULT AviWriterAddWav(AviWriter* writer, const void* source, DWORD flags);
HRESULT AviWriterAddFrame(AviWriter* writer, HBITMAP dibSection);
HRESULT AviWriterSetCompression(AviWriter* writer, HBITMAP dibSection, const AVICOMPRESSOPTIONS* options,
                                BOOL showDialog, HWND parent);
// Copies the code's text (truncated, zero-terminated) and returns its full length.
int AviResultText(HRESULT result, char* buffer, int size);

// Shared by the writer's own frame path and the recorder's: both create the
// video stream and its compressed view once, on the first frame.
HRESULT AviWriterEnsureVideoStream(AviWriter* writer, LONG width, LONG height, DWORD bufferSize);
HRESULT AviWriterEnsureCompressedStream(AviWriter* writer, AVICOMPRESSOPTIONS* options, const void* format,
                                        LONG formatSize);
HRESULT AviWriterWriteVideo(AviWriter* writer, const void* bits, LONG bytes);
// The sound stream in the writer's format, created once: on the first sound
// block, or by the recorder before its first frame, as a stream created after
// other streams were written to is not accepted by every AVIFile
// implementation.
HRESULT AviWriterEnsureSoundStream(AviWriter* writer);
