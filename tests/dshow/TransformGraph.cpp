#include "TransformGraph.h"

#include "OrbileIds.h"
#include "RecordingSink.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <mutex>

const CLSID kNullRendererClsid = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kSampleGrabberClsid = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

namespace {
HMODULE g_orbile = nullptr;
std::mutex g_frameLock;
std::vector<FrameRecord> g_frames;
}  // namespace

std::wstring OrbilePath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path);
    std::wstring folder = self.substr(0, self.find_last_of(L'\\'));
    return folder.substr(0, folder.find_last_of(L'\\')) + L"\\Orbile.ax";
}

HMODULE OrbileModule()
{
    if (!g_orbile) g_orbile = LoadLibraryW(OrbilePath().c_str());
    return g_orbile;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

void FrameLog::Callback(unsigned char* data, int width, int height, int length)
{
    int index = *reinterpret_cast<int*>(data);
    bool intact = true;
    for (long offset = sizeof(int); offset < length && intact; ++offset)
        intact = data[offset] == TestFrameByte(index, offset);
    std::lock_guard<std::mutex> guard(g_frameLock);
    g_frames.push_back({data, width, height, length, index, intact});
}

void FrameLog::Reset()
{
    std::lock_guard<std::mutex> guard(g_frameLock);
    g_frames.clear();
}

std::vector<FrameRecord> FrameLog::Records()
{
    std::lock_guard<std::mutex> guard(g_frameLock);
    return g_frames;
}

HRESULT FindPinByName(IBaseFilter* filter, const wchar_t* name, IPin** pin) { return filter->FindPin(name, pin); }

HRESULT NthPin(IBaseFilter* filter, int index, IPin** pin)
{
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Put());
    if (SUCCEEDED(hr)) hr = pins->Skip(index);
    if (hr == S_OK) hr = pins->Next(1, pin, nullptr);
    return hr == S_OK ? S_OK : VFW_E_NOT_FOUND;
}

TransformGraph::~TransformGraph()
{
    if (control) control->Stop();
    // Filters leave the graph before our own objects go.
    control.Reset();
    events.Reset();
    graph.Reset();
    if (source) source->Release();
    if (sink) sink->Release();
}

HRESULT TransformGraph::Build(const TestSourceOptions& options, Downstream kind)
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
    if (FAILED(hr)) return hr;
    graph->QueryInterface(IID_IMediaControl, control.PutVoid());
    graph->QueryInterface(IID_IMediaEvent, events.PutVoid());

    source = TestSourceFilter::Create(options);
    hr = graph->AddFilter(source, L"Test source");
    if (SUCCEEDED(hr))
        hr =
            CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, transform.PutVoid());
    if (SUCCEEDED(hr)) hr = graph->AddFilter(transform.Get(), nullptr);
    if (SUCCEEDED(hr)) hr = transform->QueryInterface(IID_VideoTransformProp, prop.PutVoid());
    ComPtr<IPin> in;
    if (SUCCEEDED(hr)) hr = FindPinByName(transform.Get(), L"In", in.Put());
    if (SUCCEEDED(hr)) hr = graph->Connect(source->Pin(), in.Get());
    if (FAILED(hr) || kind == Downstream::None) return hr;

    switch (kind) {
    case Downstream::NullRenderer:
        hr = CoCreateInstance(kNullRendererClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, downstream.PutVoid());
        break;
    case Downstream::SampleGrabber:
        hr =
            CoCreateInstance(kSampleGrabberClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, downstream.PutVoid());
        break;
    default:
        sink = RecordingSink::Create();
        sink->QueryInterface(IID_IBaseFilter, downstream.PutVoid());
        break;
    }
    if (SUCCEEDED(hr)) hr = graph->AddFilter(downstream.Get(), L"Downstream");
    ComPtr<IPin> out;
    ComPtr<IPin> downstreamIn;
    if (SUCCEEDED(hr)) hr = FindPinByName(transform.Get(), L"Out1 ", out.Put());
    if (SUCCEEDED(hr)) hr = NthPin(downstream.Get(), 0, downstreamIn.Put());
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(out.Get(), downstreamIn.Get(), nullptr);
    if (FAILED(hr) || kind != Downstream::SampleGrabber) return hr;

    hr = CoCreateInstance(kNullRendererClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer.PutVoid());
    if (SUCCEEDED(hr)) hr = graph->AddFilter(renderer.Get(), L"Renderer");
    ComPtr<IPin> grabberOut;
    ComPtr<IPin> rendererIn;
    if (SUCCEEDED(hr)) hr = NthPin(downstream.Get(), 1, grabberOut.Put());
    if (SUCCEEDED(hr)) hr = NthPin(renderer.Get(), 0, rendererIn.Put());
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(grabberOut.Get(), rendererIn.Get(), nullptr);
    return hr;
}

HRESULT TransformGraph::Run() { return control->Run(); }
HRESULT TransformGraph::Stop() { return control->Stop(); }

bool TransformGraph::WaitForCompletion(DWORD timeoutMs, long* code)
{
    return events->WaitForCompletion(static_cast<long>(timeoutMs), code) == S_OK;
}
