// Runs the console's picture path on a camera JPEG for outside readers to
// check: decodes it, then saves the frame as BMP and as JPEG.
// codec_probe <camera.jpg> <out.bmp> <out.jpg>; exit code 0 when all worked.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "FrameCodecs.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    std::vector<unsigned char> jpeg(GetFileSize(file, nullptr));
    DWORD read = 0;
    const BOOL ok = ReadFile(file, jpeg.data(), static_cast<DWORD>(jpeg.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != jpeg.size()) return 3;

    CFrameBuffer frame;
    if (!DecodeCameraJpeg(frame, jpeg.data(), static_cast<int>(jpeg.size()))) return 4;
    if (!frame.SaveBmpFile(argv[2])) return 5;
    if (!WriteJpegFile(argv[3], frame)) return 6;
    std::printf("%dx%d\n", frame.Width(), frame.Height());
    return 0;
}
