// The DirectShow side of the camera device library: the video-input devices,
// the capture graph of the current one (its capture filter feeding the
// Orbile transform filter), its formats and its command interface.
#pragma once

#include "ComPtr.h"
#include "kvqcapturegraph.h"
#include "kvqdoccam.h"

struct ICreateDevEnum;
struct IEnumMoniker;
struct IGraphBuilder;
struct ICaptureGraphBuilder2;
struct IPin;
struct IMediaControl;
struct IAMStreamConfig;
struct IVideoTransformProp;
struct ICameraCommand;

struct VideoFormat {
    ColFmt format;
    int maxWidth;
    int minWidth;
    int maxHeight;
    int minHeight;
    long long maxFrameInterval;  // 100 ns units
    long long minFrameInterval;
};

class KVQDOCCAM_API KVQVideoDevice : public devicelib::CaptureGraph {
public:
    enum { kMaxDevices = 128 };

    KVQVideoDevice();
    ~KVQVideoDevice() override;
    // The object holds COM references; the clients never copy it.
    KVQVideoDevice(const KVQVideoDevice&) = delete;
    KVQVideoDevice& operator=(const KVQVideoDevice&) = delete;

    void Close(int releaseDevices);

    int CreateDeviceEnumerator() override;
    int NextDevice(unsigned short* name, int nameLength, int* index) override;
    void ReleaseDeviceEnumerator() override;
    IBaseFilter* GetDevice(int index) override;
    int GetDevices() const { return m_deviceCount; }
    int GetCurrentDevice() override { return m_currentDevice; }
    int SetCurrentDevice(int index) override;

    int StartCapture() override;
    int Stop() override;
    int IsStopped() override;
    int SetCallbackFunction(devicelib::FrameCallback callback) override;

    int CreateVideoFormatEnumerator();
    int NextVideoFormat(VideoFormat* format);
    void ReleaseVideoFormatEnumerator();
    int SetVideoFormat(int width, int height, int frameInterval, ColFmt format) override;
    int GetVideoFormat(VideoFormat* format);

    int Write(unsigned char* command);
    int Read(unsigned char* reply);
    // The capture pin's command interface, looked up when first needed after
    // each switch of the current device; null while it cannot be found.
    ICameraCommand* CommandInterface();

protected:
    int GetPinOfDevice();
    int GetPinOfFilter();

private:
    int BuildGraph();
    void ReleaseGraph();
    int FindCommandInterface();
    dshow::ComPtr<IAMStreamConfig> FindStreamConfig();

    dshow::ComPtr<IGraphBuilder> m_graph;
    dshow::ComPtr<ICaptureGraphBuilder2> m_captureBuilder;
    dshow::ComPtr<IBaseFilter> m_transform;
    dshow::ComPtr<IVideoTransformProp> m_transformProp;
    dshow::ComPtr<IPin> m_transformInput;
    int m_connected;
    dshow::ComPtr<IBaseFilter> m_deviceFilters[kMaxDevices];
    int m_deviceCount;
    IBaseFilter* m_captureFilter;  // one of m_deviceFilters, not a reference of its own
    dshow::ComPtr<IPin> m_capturePin;
    int m_currentDevice;
    dshow::ComPtr<IMediaControl> m_mediaControl;
    dshow::ComPtr<ICameraCommand> m_commandIface;
    unsigned long m_lastCommand;
    dshow::ComPtr<ICreateDevEnum> m_devEnum;
    dshow::ComPtr<IEnumMoniker> m_monikerEnum;
    dshow::ComPtr<IAMStreamConfig> m_streamConfig;
    int m_deviceCursor;
    int m_formatCursor;
};
