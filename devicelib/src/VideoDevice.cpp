// The capture graph: video-input devices, the graph of the current one with
// the Orbile transform filter, formats through IAMStreamConfig and commands
// through the capture pin's ICameraCommand.
#include <windows.h>
#include <dshow.h>

#include <cwchar>
#include <utility>

#include "CameraCommandInterface.h"
#include "CameraWire.h"
#include "Trace.h"
#include "VideoTransformProp.h"
#include "kvqvideodevice.h"

#include "OrbileIds.h"

using namespace devicelib;

namespace {

// {47504A57-0000-0010-8000-00AA00389B71}
const GUID kSubtypeWJPG = {0x47504A57, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {30323449-0000-0010-8000-00AA00389B71}
const GUID kSubtypeI420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The subtypes of ColFmt 1 to 7, in the order they are compared.
const GUID* const kSubtypes[] = {&MEDIASUBTYPE_YVU9,  &MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_RGB555, &MEDIASUBTYPE_RGB565,
                                 &MEDIASUBTYPE_RGB24, &kSubtypeI420,      &kSubtypeWJPG};
const wchar_t* const kFormatNames[] = {L"Error", L"YVU9", L"YUY2", L"RGB555", L"RGB565", L"RGB24", L"I420", L"WJPG"};

ColFmt FormatOfSubtype(const GUID& subtype)
{
    for (int format = kColFmtYVU9; format <= kColFmtI420; ++format)
        if (subtype == *kSubtypes[format - 1]) return ColFmt(format);
    return kColFmtError;
}

const wchar_t* FormatName(ColFmt format)
{
    return format >= kColFmtError && format <= kColFmtWJPG ? kFormatNames[format] : kFormatNames[0];
}

void FreeMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return;
    if (type->cbFormat) CoTaskMemFree(type->pbFormat);
    if (type->pUnk) type->pUnk->Release();
    CoTaskMemFree(type);
}

// The graph with a current device, as the seam's source of commands.
class GraphCommandSource : public CameraCommandSource {
public:
    void Set(KVQVideoDevice* graph) { graph_ = graph; }
    ICameraCommand* CameraCommand() override { return graph_ ? graph_->CommandInterface() : nullptr; }

private:
    KVQVideoDevice* graph_ = nullptr;
};
GraphCommandSource g_graphCommands;

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE* type)
{
    if (type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER) || !type->pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
}

}  // namespace

KVQVideoDevice::KVQVideoDevice()
    : m_connected(0),
      m_deviceCount(0),
      m_captureFilter(nullptr),
      m_currentDevice(-1),
      m_lastCommand(0),
      m_deviceCursor(-1),
      m_formatCursor(0)
{
}

KVQVideoDevice::~KVQVideoDevice()
{
    ReleaseDeviceEnumerator();
    ReleaseVideoFormatEnumerator();
    Close(1);
}

int KVQVideoDevice::CreateDeviceEnumerator()
{
    ReleaseDeviceEnumerator();
    Trace(L"KVQVideoDevice::CreateDeviceEnumerator():\n");
    if (CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                         m_devEnum.PutVoid()) != S_OK) {
        ReleaseDeviceEnumerator();
        return 0;
    }
    Trace(L"  IID_ICreateDevEnum of CLSID_SystemDeviceEnum is acquired.\n");
    // An empty category answers S_FALSE: no device is no enumerator.
    if (m_devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, m_monikerEnum.Put(), 0) != S_OK) {
        ReleaseDeviceEnumerator();
        return 0;
    }
    Trace(L"  Moniker of CLSID_VideoInputDeviceCategory is acquired.\n");
    m_deviceCursor = -1;
    return 1;
}

void KVQVideoDevice::ReleaseDeviceEnumerator()
{
    m_monikerEnum.Reset();
    m_devEnum.Reset();
    m_deviceCursor = -1;
}

int KVQVideoDevice::NextDevice(unsigned short* name, int nameLength, int* index)
{
    if (!name || !index || nameLength < 1) return 0;
    if (!m_monikerEnum && !CreateDeviceEnumerator()) return 0;
    Trace(L"KVQVideoDevice::NextDevice():\n");
    // Devices that do not bind or have no name are passed over; the table
    // ends at kMaxDevices.
    dshow::ComPtr<IMoniker> moniker;
    while (m_deviceCursor + 1 < kMaxDevices && m_monikerEnum->Next(1, moniker.Put(), nullptr) == S_OK) {
        dshow::ComPtr<IBaseFilter> filter;
        dshow::ComPtr<IPropertyBag> bag;
        VARIANT friendly;
        VariantInit(&friendly);
        const bool found = SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) &&
                           SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) &&
                           SUCCEEDED(bag->Read(L"FriendlyName", &friendly, nullptr)) && friendly.vt == VT_BSTR &&
                           friendly.bstrVal;
        if (found) {
            wchar_t* out = reinterpret_cast<wchar_t*>(name);
            wcsncpy(out, friendly.bstrVal, nameLength - 1);
            out[nameLength - 1] = L'\0';
            ++m_deviceCursor;
            m_deviceFilters[m_deviceCursor] = std::move(filter);
            *index = m_deviceCursor;
            m_deviceCount = m_deviceCursor + 1;
            Trace(L"  Device \"%ls\" is found.\n", out);
        }
        VariantClear(&friendly);
        if (found) return 1;
    }
    ReleaseDeviceEnumerator();
    *index = m_deviceCursor;
    Trace(L"  No further device.\n");
    return 0;
}

IBaseFilter* KVQVideoDevice::GetDevice(int index)
{
    return index >= 0 && index < kMaxDevices ? m_deviceFilters[index].Get() : nullptr;
}

int KVQVideoDevice::BuildGraph()
{
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IGraphBuilder,
                     m_graph.PutVoid());
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                     IID_ICaptureGraphBuilder2, m_captureBuilder.PutVoid());
    if (!m_graph || !m_captureBuilder || FAILED(m_captureBuilder->SetFiltergraph(m_graph.Get()))) return 0;
    Trace(L"  IID_IGraphBuilder & IID_ICaptureGraphBuilder2 are established.\n");
    if (CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, m_transform.PutVoid()) !=
        S_OK)
        return 0;
    Trace(L"  IID_IBaseFilter interface of CLSID_VideoTransform is established.\n");
    if (m_graph->AddFilter(m_transform.Get(), nullptr) != S_OK) return 0;
    Trace(L"  CLSID_VideoTransform filter has been added to the graph.\n");
    if (m_transform->QueryInterface(IID_VideoTransformProp, m_transformProp.PutVoid()) != S_OK) return 0;
    Trace(L"  IID_VideoTransformProp interface is established.\n");
    return GetPinOfFilter();
}

int KVQVideoDevice::SetCurrentDevice(int index)
{
    if (index < 0 || index >= kMaxDevices || !m_deviceFilters[index]) return 0;
    Close(0);
    Trace(L"KVQVideoDevice::SetCurrentDevice(%d):\n", index);
    m_captureFilter = m_deviceFilters[index].Get();
    if (BuildGraph()) {
        if (m_graph->AddFilter(m_captureFilter, nullptr) == S_OK) {
            Trace(L"  The capture filter has been added to the graph.\n");
            if (GetPinOfDevice()) {
                m_currentDevice = index;
                // The command road of the controller goes through the device seam.
                g_graphCommands.Set(this);
                BindCameraCommand(&g_graphCommands);
                return 1;
            }
        }
        Trace(L"  can not set the current device!\n");
    }
    // A half-built graph is no current device: nothing may use it.
    ReleaseGraph();
    m_currentDevice = -1;
    return 0;
}

int KVQVideoDevice::GetPinOfFilter()
{
    Trace(L"KVQVideoDevice::GetPinOfFilter():\n");
    if (!m_transform) return 0;
    dshow::ComPtr<IEnumPins> pins;
    if (FAILED(m_transform->EnumPins(pins.Put())) || !pins) return 0;
    Trace(L"  IEnumPins interface for pin enumeration is established.\n");
    pins->Reset();
    bool found = false;
    while (!found && pins->Next(1, m_transformInput.Put(), nullptr) == S_OK) {
        PIN_INFO info;
        if (FAILED(m_transformInput->QueryPinInfo(&info))) break;
        if (info.pFilter) info.pFilter->Release();
        found = wcscmp(info.achName, L"In") == 0;
    }
    if (!found) {
        m_transformInput.Reset();
        return 0;
    }
    Trace(L"  The input pin of the transform filter is found.\n");
    return 1;
}

int KVQVideoDevice::GetPinOfDevice()
{
    if (!m_captureFilter || !m_captureBuilder) return 0;
    Trace(L"KVQVideoDevice::GetPinOfDevice():\n");
    if (FAILED(m_captureBuilder->FindPin(m_captureFilter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 0,
                                         m_capturePin.Put()))) {
        m_capturePin.Reset();
        return 0;
    }
    Trace(L"  The output pin of the capture filter is found.\n");
    return 1;
}

int KVQVideoDevice::StartCapture()
{
    if (!m_graph || !m_captureFilter || !m_transform) {
        Trace(L"KVQVideoDevice::StartCapture() failed: no proper filters!\n");
        return 0;
    }
    if (!m_capturePin || !m_transformInput) {
        Trace(L"KVQVideoDevice::StartCapture() failed: no proper pins!\n");
        return 0;
    }
    if (!m_connected) {
        if (FAILED(m_graph->Connect(m_capturePin.Get(), m_transformInput.Get()))) {
            Trace(L"KVQVideoDevice::StartCapture() failed: can not connect the pins!\n");
            return 0;
        }
        Trace(L"  The pins of the capture filter and the transform filter are connected.\n");
        m_connected = 1;
    }
    if (!m_mediaControl && FAILED(m_graph->QueryInterface(IID_IMediaControl, m_mediaControl.PutVoid()))) return 0;
    if (m_mediaControl->Run() != S_OK) return 0;
    Trace(L"KVQVideoDevice::StartCapture(): here we go!\n");
    return 1;
}

int KVQVideoDevice::Stop()
{
    if (!m_graph || !m_captureFilter || !m_transform || !m_connected || !m_mediaControl) return 0;
    Trace(L"KVQVideoDevice::Stop():\n");
    return m_mediaControl->Stop() == S_OK ? 1 : 0;
}

int KVQVideoDevice::IsStopped()
{
    if (!m_graph || !m_captureFilter || !m_transform || !m_connected || !m_mediaControl) return 0;
    OAFilterState state = State_Running;
    return m_mediaControl->GetState(100, &state) == S_OK && state == State_Stopped ? 1 : 0;
}

int KVQVideoDevice::SetCallbackFunction(FrameCallback callback)
{
    if (!m_transformProp || m_transformProp->SetFrameCallback(callback) != S_OK) return 0;
    Trace(L"KVQVideoDevice::SetCallbackFunction() Ok!\n");
    return 1;
}

void KVQVideoDevice::ReleaseGraph()
{
    BindCameraCommand(nullptr);
    m_commandIface.Reset();
    if (m_transform && m_graph) m_graph->RemoveFilter(m_transform.Get());
    m_transform.Reset();
    m_capturePin.Reset();
    m_transformInput.Reset();
    m_transformProp.Reset();
    m_mediaControl.Reset();
    m_graph.Reset();
    m_captureBuilder.Reset();
    m_connected = 0;
}

void KVQVideoDevice::Close(int releaseDevices)
{
    if (m_graph) {
        Trace(L"KVQVideoDevice::Close()\n");
        if (m_mediaControl && SUCCEEDED(m_mediaControl->StopWhenReady())) {
            OAFilterState state;
            // Bounded: a graph that never settles is torn down all the same.
            for (int tries = 0; tries < 100 && m_mediaControl->GetState(1, &state) == VFW_S_STATE_INTERMEDIATE; ++tries)
                Sleep(50);
        }
        ReleaseGraph();
    }
    // The device filters are released also when no graph was ever built.
    if (releaseDevices)
        for (dshow::ComPtr<IBaseFilter>& filter : m_deviceFilters) filter.Reset();
}

dshow::ComPtr<IAMStreamConfig> KVQVideoDevice::FindStreamConfig()
{
    dshow::ComPtr<IAMStreamConfig> config;
    if (!m_captureBuilder || !m_captureFilter ||
        FAILED(m_captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, m_captureFilter, IID_IAMStreamConfig,
                                               config.PutVoid())))
        return {};
    Trace(L"  IID_IAMStreamConfig of PIN_CATEGORY_CAPTURE is acquired.\n");
    return config;
}

int KVQVideoDevice::CreateVideoFormatEnumerator()
{
    if (!m_captureBuilder || !m_captureFilter) return 0;
    ReleaseVideoFormatEnumerator();
    Trace(L"KVQVideoDevice::CreateVideoFormatEnumerator():\n");
    m_streamConfig = FindStreamConfig();
    if (!m_streamConfig) return 0;
    m_formatCursor = 0;
    return 1;
}

void KVQVideoDevice::ReleaseVideoFormatEnumerator()
{
    m_streamConfig.Reset();
    m_formatCursor = 0;
}

int KVQVideoDevice::NextVideoFormat(VideoFormat* vf)
{
    if (!vf) return 0;
    if (!m_streamConfig && !CreateVideoFormatEnumerator()) return 0;
    Trace(L"KVQVideoDevice::NextVideoFormat():\n");
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    int count = 0, size = 0;
    if (FAILED(m_streamConfig->GetNumberOfCapabilities(&count, &size)) || size < int(sizeof caps) ||
        m_streamConfig->GetStreamCaps(m_formatCursor, &type, reinterpret_cast<BYTE*>(&caps)) != S_OK) {
        Trace(L"  No further video format.\n");
        ReleaseVideoFormatEnumerator();
        return 0;
    }
    vf->format = FormatOfSubtype(type->subtype);
    vf->maxWidth = caps.MaxOutputSize.cx;
    vf->maxHeight = caps.MaxOutputSize.cy;
    vf->minWidth = caps.MinOutputSize.cx;
    vf->minHeight = caps.MinOutputSize.cy;
    vf->maxFrameInterval = caps.MaxFrameInterval;
    vf->minFrameInterval = caps.MinFrameInterval;
    FreeMediaType(type);
    Trace(L"  %dx%d: %ls\n", vf->maxWidth, vf->maxHeight, FormatName(vf->format));
    ++m_formatCursor;
    return 1;
}

int KVQVideoDevice::SetVideoFormat(int width, int height, int frameInterval, ColFmt format)
{
    Trace(L"KVQVideoDevice::SetVideoFormat(%dx%d):\n", width, height);
    if (m_currentDevice < 0 || format < kColFmtYVU9 || format > kColFmtWJPG) return 0;
    const dshow::ComPtr<IAMStreamConfig> config = FindStreamConfig();
    if (!config) return 0;
    AM_MEDIA_TYPE* type = nullptr;
    int result = 0;
    if (SUCCEEDED(config->GetFormat(&type)) && type) {
        if (VIDEOINFOHEADER* info = const_cast<VIDEOINFOHEADER*>(VideoInfo(type))) {
            Trace(L"  The previous resolution is %dx%d.\n", int(info->bmiHeader.biWidth),
                  int(info->bmiHeader.biHeight));
            info->AvgTimePerFrame = frameInterval;
            info->bmiHeader.biWidth = width;
            info->bmiHeader.biHeight = height;
            type->subtype = *kSubtypes[format - 1];
            if (config->SetFormat(type) == S_OK) {
                Trace(L"  New video format is set successfully.\n");
                result = format;
            } else {
                // Cameras without their JPEG stream at this size still give YUY2.
                type->subtype = MEDIASUBTYPE_YUY2;
                if (config->SetFormat(type) == S_OK) {
                    Trace(L"  The video format is set YUY2.\n");
                    result = kColFmtYUY2;
                } else {
                    Trace(L"  Can not set the video format.\n");
                }
            }
        }
    }
    FreeMediaType(type);
    return result;
}

int KVQVideoDevice::GetVideoFormat(VideoFormat* vf)
{
    if (!vf) return 0;
    *vf = VideoFormat();
    const dshow::ComPtr<IAMStreamConfig> config = FindStreamConfig();
    if (!config) return 0;
    AM_MEDIA_TYPE* type = nullptr;
    const VIDEOINFOHEADER* info = nullptr;
    if (SUCCEEDED(config->GetFormat(&type)) && type) info = VideoInfo(type);
    if (info) {
        vf->format = FormatOfSubtype(type->subtype);
        vf->maxWidth = vf->minWidth = info->bmiHeader.biWidth;
        vf->maxHeight = vf->minHeight = info->bmiHeader.biHeight;
        vf->maxFrameInterval = vf->minFrameInterval = info->AvgTimePerFrame;
        Trace(L"KVQVideoDevice::GetVideoFormat(): %dx%d: %ls\n", vf->maxWidth, vf->maxHeight, FormatName(vf->format));
    }
    FreeMediaType(type);
    return info ? 1 : 0;
}

int KVQVideoDevice::FindCommandInterface()
{
    if (m_commandIface) return 1;
    if (!m_captureBuilder || !m_captureFilter) return 0;
    return SUCCEEDED(m_captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, m_captureFilter,
                                                     IID_ICameraCommand, m_commandIface.PutVoid()))
               ? 1
               : 0;
}

ICameraCommand* KVQVideoDevice::CommandInterface() { return FindCommandInterface() ? m_commandIface.Get() : nullptr; }

int KVQVideoDevice::Write(unsigned char* command)
{
    if (!command || !FindCommandInterface()) return 0;
    const DocCamCommand record = {command[0], command[1], command[2], command[3]};
    m_lastCommand = DirectShowIndex(record);
    m_commandIface->WriteCommand(1, 0, DirectShowValue(record), m_lastCommand);
    return 1;
}

int KVQVideoDevice::Read(unsigned char* reply)
{
    if (!reply || !FindCommandInterface()) return 0;
    ULONG word = 0;
    m_commandIface->ReadReply(1, 0, &word, m_lastCommand);
    DecodeDirectShowReply(word, reply);
    return 1;
}
