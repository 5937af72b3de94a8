#pragma once
// What the transform filter's tests and its measurement share: Orbile.ax
// loaded from beside the program's folder, the frame callback's log, and a
// graph of test source, transform filter and a chosen downstream filter.
#include "ComPtr.h"
#include "TestSourceFilter.h"
#include "VideoTransformProp.h"

#include <control.h>
#include <strmif.h>

#include <string>
#include <vector>

using dshow::ComPtr;

extern const CLSID kNullRendererClsid;
extern const CLSID kSampleGrabberClsid;

// Orbile.ax beside the test's folder, as a Windows path.
std::wstring OrbilePath();
// The module as loaded for this run (registered by the environment).
HMODULE OrbileModule();
// An export of Orbile.ax.
template <class Function>
Function OrbileExport(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(OrbileModule(), name)));
}
using DllEntry = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The inner reference count of a COM object: AddRef then Release.
ULONG RefCount(IUnknown* object);

struct FrameRecord {
    BYTE* data;
    int width;
    int height;
    int length;
    int index;           // the index the frame carries
    bool contentIntact;  // every byte as the source wrote it
};

// The device library's side of the callback.
class FrameLog {
public:
    static void Callback(unsigned char* data, int width, int height, int length);
    static void Reset();
    static std::vector<FrameRecord> Records();
};

enum class Downstream { None, NullRenderer, SampleGrabber, Recording };

class RecordingSink;

// test source -> "In" [Orbile] "Out1 " -> downstream (-> Null Renderer
// behind a Sample Grabber)
class TransformGraph {
public:
    ~TransformGraph();
    HRESULT Build(const TestSourceOptions& options, Downstream downstream);
    HRESULT Run();
    HRESULT Stop();
    // EC_COMPLETE (or another end) within the timeout.
    bool WaitForCompletion(DWORD timeoutMs, long* code);

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IBaseFilter> transform;
    ComPtr<IVideoTransformProp> prop;
    ComPtr<IBaseFilter> downstream;
    ComPtr<IBaseFilter> renderer;  // behind the Sample Grabber
    TestSourceFilter* source = nullptr;
    RecordingSink* sink = nullptr;
};

// A pin of a filter by its exact name.
HRESULT FindPinByName(IBaseFilter* filter, const wchar_t* name, IPin** pin);
// A filter's pin by its place in the filter's enumeration.
HRESULT NthPin(IBaseFilter* filter, int index, IPin** pin);
