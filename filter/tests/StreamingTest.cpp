// Frames through the transform filter in real graphs: Wine's filter graph
// and allocator, its Null Renderer and Sample Grabber downstream, our test
// source standing in for the camera.
#include "OrbileIds.h"
#include "RecordingSink.h"
#include "TransformGraph.h"

#include <gtest/gtest.h>
#include <qedit.h>
#include <uuids.h>
#include <evcode.h>
#include <vfwmsgs.h>

#include <mutex>

#include "testsupport/PollUntil.h"

namespace {

using testsupport::PollUntil;

TestSourceOptions Source(const GUID& subtype, int width, int height, int frames)
{
    TestSourceOptions options;
    options.subtype = subtype;
    options.width = width;
    options.height = height;
    options.frameCount = frames;
    return options;
}

// Stops the graph on another thread; false when it has not returned
// within the limit.
DWORD WINAPI StopGraph(void* control) { return static_cast<IMediaControl*>(control)->Stop(); }

bool StopsWithin(IMediaControl* control, DWORD limitMs)
{
    HANDLE thread = CreateThread(nullptr, 0, StopGraph, control, 0, nullptr);
    bool stopped = WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0;
    if (!stopped) WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return stopped;
}

// Polls until the callback has seen at least `count` frames.
bool WaitForFrames(size_t count, DWORD timeoutMs)
{
    return PollUntil(timeoutMs, [&] { return FrameLog::Records().size() >= count; });
}

bool WaitForSinkEvents(RecordingSink* sink, size_t count, DWORD timeoutMs)
{
    return PollUntil(timeoutMs, [&] { return sink->Events().size() >= count; });
}

// A graph of its own into a Null Renderer, run until the source has
// sent all its frames and stopped again; the callback logs the frames.
void RunVariantToEnd(TransformGraph& variant, const TestSourceOptions& options)
{
    FrameLog::Reset();
    ASSERT_EQ(variant.Build(options, Downstream::NullRenderer), S_OK);
    variant.prop->SetFrameCallback(FrameLog::Callback);
    ASSERT_TRUE(SUCCEEDED(variant.Run()));
    ASSERT_EQ(WaitForSingleObject(variant.source->Finished(), 30000), WAIT_OBJECT_0);
}

class GrabberLog : public ISampleGrabberCB {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::lock_guard<std::mutex> guard(m_lock);
        samples.push_back({data, sample->GetActualDataLength()});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return S_OK; }

    struct Seen {
        BYTE* data;
        long length;
    };
    std::vector<Seen> samples;

private:
    std::mutex m_lock;
};

class Streaming : public ::testing::Test {
protected:
    void SetUp() override { FrameLog::Reset(); }
    TransformGraph graph;
};

}  // namespace

TEST_F(Streaming, EveryFrameReachesTheCallbackWithTheConnectionsSize)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 1024, 768, 300), Downstream::NullRenderer), S_OK);
    ASSERT_EQ(graph.prop->SetFrameCallback(FrameLog::Callback), S_OK);
    // Distinct values for the input pushed upstream, and a different one for
    // the input that is not.
    graph.prop->SetBrightness(1, 1001);
    graph.prop->SetContrast(1, 1002);
    graph.prop->SetSaturation(1, 1003);
    graph.prop->SetHue(1, 1004);
    graph.prop->SetSharpness(1, 1005);
    graph.prop->SetBrightness(0, 42);

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_EQ(WaitForSingleObject(graph.source->Finished(), 60000), WAIT_OBJECT_0)
        << "sent " << graph.source->FramesSent() << ", seen " << FrameLog::Records().size();
    long code = 0;
    ASSERT_TRUE(graph.WaitForCompletion(20000, &code)) << "end-of-stream must pass through to the renderer";
    EXPECT_EQ(code, EC_COMPLETE);
    BYTE status = 0xFF;
    EXPECT_EQ(graph.prop->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 1) << "output connected at the hookup";
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));

    std::vector<FrameRecord> frames = FrameLog::Records();
    std::vector<BYTE*> buffers = graph.source->FramePointers();
    ASSERT_EQ(frames.size(), 300u);
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].index, static_cast<int>(i));
        EXPECT_EQ(frames[i].width, 1024);
        EXPECT_EQ(frames[i].height, 768);
        EXPECT_EQ(frames[i].length, TestFrameLength(graph.source->Options(), static_cast<int>(i)));
        EXPECT_TRUE(frames[i].contentIntact);
        EXPECT_EQ(frames[i].data, buffers[i]) << "the capture filter's own buffer, not a copy";
    }

    std::vector<ProcAmpCall> calls = graph.source->ProcAmpCalls();
    const ProcAmpCall expected[] = {{VideoProcAmp_Brightness, 1001, 2},
                                    {VideoProcAmp_Contrast, 1002, 2},
                                    {VideoProcAmp_Hue, 1004, 2},
                                    {VideoProcAmp_Saturation, 1003, 2},
                                    {VideoProcAmp_Sharpness, 1005, 2}};
    ASSERT_EQ(calls.size(), 5u) << "one push per run";
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(calls[i].property, expected[i].property) << i;
        EXPECT_EQ(calls[i].value, expected[i].value) << i;
        EXPECT_EQ(calls[i].flags, expected[i].flags) << i;
    }
}

TEST_F(Streaming, CompressedFramesKeepTheirLengthAndReachDownstreamUncopied)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_MJPG, 640, 480, 60), Downstream::SampleGrabber), S_OK);
    GrabberLog grabbed;
    ComPtr<ISampleGrabber> grabber;
    ASSERT_EQ(graph.downstream->QueryInterface(IID_ISampleGrabber, grabber.PutVoid()), S_OK);
    ASSERT_EQ(grabber->SetCallback(&grabbed, 0), S_OK);
    graph.prop->SetFrameCallback(FrameLog::Callback);

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_EQ(WaitForSingleObject(graph.source->Finished(), 30000), WAIT_OBJECT_0);
    long code = 0;
    ASSERT_TRUE(graph.WaitForCompletion(20000, &code));
    ASSERT_TRUE(StopsWithin(graph.control.Get(), 1000));
    grabber->SetCallback(nullptr, 0);

    std::vector<FrameRecord> frames = FrameLog::Records();
    std::vector<BYTE*> buffers = graph.source->FramePointers();
    ASSERT_EQ(frames.size(), 60u);
    ASSERT_EQ(grabbed.samples.size(), 60u);
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        long length = TestFrameLength(graph.source->Options(), static_cast<int>(i));
        EXPECT_EQ(frames[i].length, length);
        EXPECT_EQ(frames[i].width, 640);
        EXPECT_EQ(frames[i].height, 480);
        EXPECT_TRUE(frames[i].contentIntact);
        EXPECT_EQ(grabbed.samples[i].data, buffers[i]);
        EXPECT_EQ(grabbed.samples[i].length, length);
    }
}

TEST_F(Streaming, UnconnectedOutputStillFeedsTheCallback)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, 30), Downstream::None), S_OK);
    graph.prop->SetFrameCallback(FrameLog::Callback);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_EQ(WaitForSingleObject(graph.source->Finished(), 30000), WAIT_OBJECT_0);
    BYTE status = 0xFF;
    graph.prop->GetStatus(&status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));
    EXPECT_EQ(FrameLog::Records().size(), 30u);
}

TEST_F(Streaming, WithoutCallbackOrWithACallbackWordFramesOnlyPassThrough)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, 20), Downstream::Recording), S_OK);
    graph.prop->SetFrameCallback(FrameLog::Callback);
    graph.prop->SetCallbackWord2(0x1234);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_EQ(WaitForSingleObject(graph.source->Finished(), 30000), WAIT_OBJECT_0);
    ASSERT_TRUE(WaitForSinkEvents(graph.sink, 21, 10000));
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));
    EXPECT_TRUE(FrameLog::Records().empty());
    EXPECT_TRUE(graph.sink->NotifiedReadOnly()) << "downstream shares the capture allocator read-only";
}

TEST_F(Streaming, StreamCallsReachDownstreamInOrderAndFlushDropsWhatWasQueued)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, 0), Downstream::Recording), S_OK);
    graph.prop->SetFrameCallback(FrameLog::Callback);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    TestSourcePin* pin = graph.source->Pin();
    RecordingSink* sink = graph.sink;

    pin->DeliverNewSegment(0, 1000000, 1.0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(graph.source->PushFrame(i), S_OK);
    pin->DeliverEndOfStream();
    ASSERT_TRUE(WaitForSinkEvents(sink, 5, 5000));

    // The sink holds frame 3 in Receive; 4 and 5 wait in the filter's queue
    // until the flush drops them.
    sink->CloseGate();
    ASSERT_EQ(graph.source->PushFrame(3), S_OK);
    ASSERT_EQ(WaitForSingleObject(sink->Waiting(), 5000), WAIT_OBJECT_0);
    ASSERT_EQ(graph.source->PushFrame(4), S_OK);
    ASSERT_EQ(graph.source->PushFrame(5), S_OK);
    pin->DeliverBeginFlush();
    pin->DeliverEndFlush();
    pin->DeliverNewSegment(0, 1000000, 1.0);
    ASSERT_EQ(graph.source->PushFrame(6), S_OK);
    pin->DeliverEndOfStream();
    ASSERT_TRUE(WaitForSinkEvents(sink, 10, 5000));
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));

    std::vector<BYTE*> buffers = graph.source->FramePointers();
    std::vector<SinkEvent> events = sink->Events();
    const struct {
        SinkEvent::Kind kind;
        int frame;
    } expected[] = {{SinkEvent::NewSegment, -1}, {SinkEvent::Sample, 0},       {SinkEvent::Sample, 1},
                    {SinkEvent::Sample, 2},      {SinkEvent::EndOfStream, -1}, {SinkEvent::BeginFlush, -1},
                    {SinkEvent::EndFlush, -1},   {SinkEvent::NewSegment, -1},  {SinkEvent::Sample, 6},
                    {SinkEvent::EndOfStream, -1}};
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i].kind) << i;
        if (expected[i].frame >= 0) {
            EXPECT_EQ(events[i].data, buffers[expected[i].frame]) << i;
        }
    }
    EXPECT_EQ(FrameLog::Records().size(), 7u) << "the callback sees every frame, flushed or not";
}

TEST_F(Streaming, StopRunCyclesWithProcAmpChangesNeitherHangNorLeak)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, -1), Downstream::NullRenderer), S_OK);
    graph.prop->SetFrameCallback(FrameLog::Callback);
    // One cycle first, so that lazily made objects of the graph count as
    // the baseline.
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(WaitForFrames(3, 5000));
    ASSERT_TRUE(StopsWithin(graph.control.Get(), 1000));
    DWORD handlesBefore = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    ULONG sourceRefs = RefCount(static_cast<IBaseFilter*>(graph.source));

    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE(cycle);
        graph.source->ClearProcAmpCalls();
        graph.prop->SetBrightness(1, 2000 + cycle);
        size_t seen = FrameLog::Records().size();
        ASSERT_TRUE(SUCCEEDED(graph.Run()));
        ASSERT_TRUE(WaitForFrames(seen + 2, 5000));
        // Several changes while frames flow: none may hold up Receive.
        graph.prop->SetContrast(1, 3000 + cycle);
        graph.prop->SetHue(0, cycle);
        graph.prop->CountChange();
        ASSERT_TRUE(WaitForFrames(seen + 5, 5000));
        ASSERT_TRUE(StopsWithin(graph.control.Get(), 1000));
        std::vector<ProcAmpCall> calls = graph.source->ProcAmpCalls();
        ASSERT_EQ(calls.size(), 5u);
        EXPECT_EQ(calls[0].value, 2000 + cycle);
    }

    EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(graph.source)), sourceRefs) << "upstream interfaces released at stop";
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 8) << "threads, events and allocators are not left behind";
}

TEST_F(Streaming, CaptureFilterWithoutPropertySetOrProcAmpGetsNoValues)
{
    const struct {
        bool ksPropertySet;
        bool procAmp;
    } cases[] = {{false, true}, {true, false}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ks " << c.ksPropertySet << " procamp " << c.procAmp);
        TransformGraph variant;
        TestSourceOptions options = Source(MEDIASUBTYPE_YUY2, 320, 240, 10);
        options.withKsPropertySet = c.ksPropertySet;
        options.withProcAmp = c.procAmp;
        RunVariantToEnd(variant, options);
        if (HasFatalFailure()) return;
        BYTE status = 0xFF;
        variant.prop->GetStatus(&status);
        EXPECT_EQ(status, 0) << "the hookup ended early";
        EXPECT_EQ(variant.prop->WaitUpstreamIdle(0, 0), c.ksPropertySet ? S_OK : E_FAIL);
        EXPECT_TRUE(StopsWithin(variant.control.Get(), 1000));
        EXPECT_TRUE(variant.source->ProcAmpCalls().empty());
        EXPECT_EQ(FrameLog::Records().size(), 10u) << "frames flow all the same";
    }
}

TEST(TransformFilter, PinsPagesAndMediaTypes)
{
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid()),
              S_OK);

    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.Put()), S_OK);
    const struct {
        const wchar_t* name;
        PIN_DIRECTION direction;
    } expected[] = {{L"In", PINDIR_INPUT}, {L"Out1 ", PINDIR_OUTPUT}};
    for (const auto& e : expected) {
        ComPtr<IPin> pin;
        ASSERT_EQ(pins->Next(1, pin.Put(), nullptr), S_OK);
        PIN_INFO info{};
        ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
        EXPECT_STREQ(info.achName, e.name);
        EXPECT_EQ(info.dir, e.direction);
        EXPECT_EQ(info.pFilter, filter.Get());
        info.pFilter->Release();
    }
    ComPtr<IPin> extra;
    EXPECT_EQ(pins->Next(1, extra.Put(), nullptr), S_FALSE) << "exactly two pins";

    ComPtr<ISpecifyPropertyPages> specify;
    ASSERT_EQ(filter->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid()), S_OK);
    CAUUID pages{};
    ASSERT_EQ(specify->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 2u);
    EXPECT_EQ(pages.pElems[0], CLSID_ColorPropertyPage);
    EXPECT_EQ(pages.pElems[1], CLSID_FourInThreeOutPage);
    CoTaskMemFree(pages.pElems);
    EXPECT_EQ(specify->GetPages(nullptr), E_POINTER);
    EXPECT_EQ(filter->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);

    // Any video is welcome at "In", nothing else; "Out1 " has nothing to
    // offer before "In" is connected.
    ComPtr<IPin> in;
    ComPtr<IPin> out;
    ASSERT_EQ(filter->FindPin(L"In", in.Put()), S_OK);
    ASSERT_EQ(filter->FindPin(L"Out1 ", out.Put()), S_OK);
    AM_MEDIA_TYPE video{};
    video.majortype = MEDIATYPE_Video;
    video.subtype = MEDIASUBTYPE_RGB24;
    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(in->QueryAccept(&video), S_OK);
    EXPECT_EQ(in->QueryAccept(&audio), S_FALSE);
    ComPtr<IEnumMediaTypes> types;
    EXPECT_EQ(out->EnumMediaTypes(types.Put()), VFW_E_NOT_CONNECTED);
}

TEST(TransformFilter, AggregatesAndHandsTheOuterOnlyItsInnerUnknown)
{
    // A minimal outer object: its identity and count, nothing else.
    struct Outer : IUnknown {
        LONG refs = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
        {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    } outer;
    ComPtr<IBaseFilter> refused;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IBaseFilter, refused.PutVoid()),
              CLASS_E_NOAGGREGATION);

    IUnknown* inner = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(outer.refs, 2) << "the filter's references are the outer object's";
    filter->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(Streaming, FormatBlocksOtherThanAFullVideoInfoLeaveTheDefaultSize)
{
    const struct {
        const char* what;
        const GUID* formatType;
        ULONG formatBytes;
    } cases[] = {{"a VideoInfo block cut short", &FORMAT_VideoInfo, 8}, {"a VideoInfo2 block", &FORMAT_VideoInfo2, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TransformGraph variant;
        TestSourceOptions options = Source(MEDIASUBTYPE_YUY2, 1024, 768, 3);
        options.formatType = *c.formatType;
        options.formatBytes = c.formatBytes;
        RunVariantToEnd(variant, options);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(StopsWithin(variant.control.Get(), 1000));
        std::vector<FrameRecord> frames = FrameLog::Records();
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(frames[0].width, 320);
        EXPECT_EQ(frames[0].height, 240);
        EXPECT_EQ(frames[0].length, 1024 * 768 * 2);
    }
}

TEST_F(Streaming, RunAgainWithoutStopHooksUpOnceAndLeaksNothing)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, -1), Downstream::NullRenderer), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    DWORD handlesBefore = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(SUCCEEDED(graph.Run()));
        ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    }
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));
    EXPECT_EQ(graph.source->ProcAmpCalls().size(), 5u) << "the values go up on the first run after a stop only";
    EXPECT_LE(handlesAfter, handlesBefore + 4);
}

namespace {

DWORD WINAPI StopFilter(void* filter) { return static_cast<IBaseFilter*>(filter)->Stop(); }
DWORD WINAPI SendEndOfStream(void* pin) { return static_cast<IPin*>(pin)->EndOfStream(); }

}  // namespace

TEST_F(Streaming, EndOfStreamDuringAStopWaitsUntilTheOutputQueueIsGone)
{
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, 0), Downstream::Recording), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ComPtr<IPin> in;
    ComPtr<IMemInputPin> receiver;
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(FindPinByName(graph.transform.Get(), L"In", in.Put()), S_OK);
    ASSERT_EQ(in->QueryInterface(IID_IMemInputPin, receiver.PutVoid()), S_OK);
    ASSERT_EQ(receiver->GetAllocator(allocator.Put()), S_OK);
    ComPtr<IMediaSample> probe;
    ASSERT_EQ(allocator->GetBuffer(probe.Put(), nullptr, nullptr, AM_GBF_NOWAIT), S_OK);

    // The sink holds the output queue's thread, so the filter's stop waits
    // in deleting the queue.
    graph.sink->CloseGate();
    ASSERT_EQ(graph.source->PushFrame(0), S_OK);
    ASSERT_EQ(WaitForSingleObject(graph.sink->Waiting(), 5000), WAIT_OBJECT_0);
    HANDLE stopping = CreateThread(nullptr, 0, StopFilter, graph.transform.Get(), 0, nullptr);
    EXPECT_TRUE(PollUntil(5000, [&] { return receiver->Receive(probe.Get()) == VFW_E_WRONG_STATE; }));

    HANDLE ending = CreateThread(nullptr, 0, SendEndOfStream, in.Get(), 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(ending, 500), WAIT_TIMEOUT) << "end-of-stream went into a queue being deleted";
    graph.sink->OpenGate();
    EXPECT_EQ(WaitForSingleObject(stopping, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(ending, 5000), WAIT_OBJECT_0);
    CloseHandle(stopping);
    CloseHandle(ending);
}

namespace {

// Holds the streaming thread in the callback while `hold` is set.
struct HeldCallback {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    volatile LONG hold = 1;
    ~HeldCallback()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
};
HeldCallback* g_held = nullptr;

void HoldingCallback(unsigned char*, int, int, int)
{
    if (!g_held->hold) return;
    SetEvent(g_held->entered);
    WaitForSingleObject(g_held->release, 30000);
}

struct DisableCall {
    IVideoTransformProp* prop;
    HRESULT result;
};
DWORD WINAPI DisableDelivery(void* call)
{
    auto* c = static_cast<DisableCall*>(call);
    c->result = c->prop->SetDeliveryEnable(0);
    return 0;
}

}  // namespace

TEST_F(Streaming, DisablingDeliveryGivesUpOnACallbackThatDoesNotReturn)
{
    HeldCallback held;
    g_held = &held;
    ASSERT_EQ(graph.Build(Source(MEDIASUBTYPE_YUY2, 320, 240, -1), Downstream::NullRenderer), S_OK);
    graph.prop->SetFrameCallback(HoldingCallback);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_EQ(WaitForSingleObject(held.entered, 5000), WAIT_OBJECT_0);

    DisableCall call{graph.prop.Get(), E_UNEXPECTED};
    HANDLE disabling = CreateThread(nullptr, 0, DisableDelivery, &call, 0, nullptr);
    const bool returned = WaitForSingleObject(disabling, 10000) == WAIT_OBJECT_0;
    InterlockedExchange(&held.hold, 0);
    SetEvent(held.release);
    WaitForSingleObject(disabling, INFINITE);
    CloseHandle(disabling);
    EXPECT_TRUE(returned) << "SetDeliveryEnable(0) waited for a stuck callback";
    EXPECT_EQ(call.result, VFW_E_TIMEOUT);

    // A callback that returns is waited for, and the wait succeeds.
    EXPECT_EQ(graph.prop->SetDeliveryEnable(0), S_OK);
    EXPECT_TRUE(StopsWithin(graph.control.Get(), 1000));
    g_held = nullptr;
}
