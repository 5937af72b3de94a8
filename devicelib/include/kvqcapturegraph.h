// What the controller asks of the library's DirectShow side. The library's
// KVQVideoDevice is the one implementation in the product; tests put a
// scripted graph in its place.
#pragma once

struct IBaseFilter;

// Capture colour formats. Reading a subtype recognises YVU9 to I420 only, so
// a WJPG stream reads back as kColFmtError; WJPG is only ever requested.
enum ColFmt {
    kColFmtError = 0,
    kColFmtYVU9 = 1,
    kColFmtYUY2 = 2,
    kColFmtRGB555 = 3,
    kColFmtRGB565 = 4,
    kColFmtRGB24 = 5,
    kColFmtI420 = 6,
    kColFmtWJPG = 7,
};

namespace devicelib {

typedef void (*FrameCallback)(unsigned char* data, int width, int height, int length);

class CaptureGraph {
public:
    virtual ~CaptureGraph() = default;

    virtual int CreateDeviceEnumerator() = 0;
    // The next video-input device: its friendly name, at most nameLength - 1
    // characters, and its device index.
    virtual int NextDevice(unsigned short* name, int nameLength, int* index) = 0;
    virtual void ReleaseDeviceEnumerator() = 0;
    virtual IBaseFilter* GetDevice(int index) = 0;
    virtual int GetCurrentDevice() = 0;
    virtual int SetCurrentDevice(int index) = 0;
    virtual int SetCallbackFunction(FrameCallback callback) = 0;
    // The format set, kColFmtYUY2 after the fall-back, or 0.
    virtual int SetVideoFormat(int width, int height, int frameInterval, ColFmt format) = 0;
    virtual int StartCapture() = 0;
    virtual int Stop() = 0;
    virtual int IsStopped() = 0;
};

}  // namespace devicelib
