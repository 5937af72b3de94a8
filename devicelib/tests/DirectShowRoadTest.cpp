// The DirectShow road under Wine's own quartz, qcap and devenum: the
// simulated camera's capture filter listed as video-input devices, the
// library's discovery, the capture graph through Orbile.ax, commands on
// the capture pin, formats, frames, stop and restart, and the transform
// filter's registration by the first controller.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "SimCaptureFilter.h"
#include "SimPictures.h"
#include "VideoTransformProp.h"
#include "OrbileIds.h"
#include "kvqdoccam.h"
#include "kvqvideodevice.h"
#include "testsupport/PollUntil.h"

namespace {

using testsupport::PollUntil;

const wchar_t kMatchingNoPath[] = L"PC Camera";
const wchar_t kMatchingWithPath[] = L"USB Video Camera for DovraOrbile Digital Presenter";
const wchar_t kOtherCamera[] = L"Integrated Webcam";

std::wstring BesideTest(const wchar_t* file)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + file;
}

typedef HRESULT(STDAPICALLTYPE* ServerEntry)();

HRESULT CallServer(HMODULE module, const char* entry)
{
    auto call = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    return call ? call() : E_NOINTERFACE;
}

HRESULT ListDevice(const wchar_t* name)
{
    IFilterMapper2* mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&mapper));
    if (FAILED(hr)) return hr;
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    hr = mapper->RegisterFilter(CLSID_SimCaptureFilter, name, nullptr, &CLSID_VideoInputDeviceCategory, name, &filter);
    mapper->Release();
    return hr;
}

// The device's instance key is deleted here rather than through the mapper:
// Wine's UnregisterFilter builds the key path in a 93-character buffer,
// which the long camera name overruns on the stack.
void UnlistDevice(const wchar_t* name)
{
    wchar_t category[40];
    StringFromGUID2(CLSID_VideoInputDeviceCategory, category, 40);
    const std::wstring key = std::wstring(L"CLSID\\") + category + L"\\Instance\\" + name;
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

// The friendly names of the video-input category in enumeration order.
std::vector<std::wstring> VideoInputNames()
{
    std::vector<std::wstring> names;
    ICreateDevEnum* devices = nullptr;
    IEnumMoniker* monikers = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices))))
        return names;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK) {
        IMoniker* moniker = nullptr;
        while (monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            VARIANT name;
            VariantInit(&name);
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag))) &&
                SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)))
                names.push_back(name.bstrVal);
            VariantClear(&name);
            if (bag) bag->Release();
            moniker->Release();
        }
        monikers->Release();
    }
    devices->Release();
    return names;
}

bool TransformFilterRegistered()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct FrameLog {
    std::atomic<int> frames{0};
    std::atomic<int> width{0}, height{0}, length{0};
    std::atomic<int> pictures{0};
    std::atomic<int> inCallback{0};
};
FrameLog g_log;

void OnFrame(unsigned char* data, int width, int height, int length)
{
    ++g_log.inCallback;
    g_log.width = width;
    g_log.height = height;
    g_log.length = length;
    for (const simcam::Picture& picture : simcam::kTestPictures)
        if (size_t(length) == picture.size && std::memcmp(data, picture.bytes, picture.size) == 0) ++g_log.pictures;
    ++g_log.frames;
    --g_log.inCallback;
}

// A decoder's pace: the frame takes a while on the streaming thread.
void SlowFrame(unsigned char*, int, int, int)
{
    ++g_log.inCallback;
    Sleep(30);
    ++g_log.frames;
    --g_log.inCallback;
}

// As the console's callback does: a command to the camera from the frame.
std::atomic<KVQDocCamController*> g_commander{nullptr};
void CommandFromFrame(unsigned char*, int, int, int)
{
    ++g_log.inCallback;
    Sleep(20);
    if (KVQDocCamController* c = g_commander) c->SetCommand(0xBD, 0xFF, 0, 0);
    ++g_log.frames;
    --g_log.inCallback;
}

// A deadlocked thread cannot be recovered: past the bound the program ends.
DWORD WINAPI RunWork(void* work)
{
    // As on the client's UI thread, which builds the graphs.
    CoInitialize(nullptr);
    (*static_cast<std::function<void()>*>(work))();
    CoUninitialize();
    return 0;
}
void MustEndWithin(DWORD boundMs, const char* what, std::function<void()> work)
{
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    if (WaitForSingleObject(thread, boundMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%s has not ended within %lu ms: deadlock\n", what, boundMs);
        std::fflush(stderr);
        ExitProcess(1);
    }
    CloseHandle(thread);
}

constexpr int kPatienceMs = 5000;

class DirectShowRoad : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        s_simcam = LoadLibraryW(BesideTest(L"simcamfilter.dll").c_str());
        ASSERT_NE(nullptr, s_simcam);
        ASSERT_HRESULT_SUCCEEDED(CallServer(s_simcam, "DllRegisterServer"));
        ASSERT_HRESULT_SUCCEEDED(ListDevice(kMatchingWithPath));
        ASSERT_HRESULT_SUCCEEDED(ListDevice(kOtherCamera));
        s_control = reinterpret_cast<SimCaptureControl* (*)()>(
            reinterpret_cast<void*>(GetProcAddress(s_simcam, "SimCaptureControlBlock")))();
    }
    static void TearDownTestSuite()
    {
        UnlistDevice(kOtherCamera);
        UnlistDevice(kMatchingWithPath);
        CallServer(s_simcam, "DllUnregisterServer");
        CoUninitialize();
    }
    void SetUp() override
    {
        std::lock_guard<std::mutex> guard(s_control->lock);
        s_control->refuseCommandLookups = 0;
        s_control->streamStopWaitMs = 5000;
        s_control->writes.clear();
        s_control->refuseWjpg = s_control->refuseYuy2 = false;
        g_log.frames = g_log.pictures = 0;
    }

    // The discovered entry of the device with this name.
    static int EntryOf(const wchar_t* name)
    {
        const std::vector<std::wstring> names = VideoInputNames();
        for (int entry = 0; entry < KVQDocCamController::GetDevices(); ++entry) {
            const int index = KVQDocCamController::GetDevice(entry)->dsIndex;
            if (index >= 0 && size_t(index) < names.size() && names[index] == name) return entry;
        }
        return -1;
    }

    static std::vector<SimCaptureControl::Write> Writes()
    {
        std::lock_guard<std::mutex> guard(s_control->lock);
        return s_control->writes;
    }

    static HMODULE s_simcam;
    static SimCaptureControl* s_control;
};

HMODULE DirectShowRoad::s_simcam = nullptr;
SimCaptureControl* DirectShowRoad::s_control = nullptr;

TEST_F(DirectShowRoad, DiscoveryKeepsTheMatchingNamesWithTheirIndicesAndPaths)
{
    KVQDocCamController c;
    const std::vector<std::wstring> names = VideoInputNames();
    ASSERT_EQ(3u, names.size());
    ASSERT_EQ(2, KVQDocCamController::GetDevices());
    int previous = -1;
    for (int entry = 0; entry < 2; ++entry) {
        const DOCCAM_INSTANCE& device = *KVQDocCamController::GetDevice(entry);
        ASSERT_GT(device.dsIndex, previous) << "entries in enumeration order";
        previous = device.dsIndex;
        EXPECT_NE(nullptr, device.filter);
        EXPECT_EQ(nullptr, device.owner);
        const std::wstring& name = names[device.dsIndex];
        if (name == kMatchingNoPath) {
            EXPECT_EQ(nullptr, device.path);
        } else {
            EXPECT_EQ(kMatchingWithPath, name);
            // No capture interface of that description here: the first, empty path.
            ASSERT_NE(nullptr, device.path);
            EXPECT_EQ(KVQDocCamController::m_cypressInterface[0], device.path);
            EXPECT_STREQ(L"", device.path);
        }
    }
    EXPECT_EQ(0, c.AttachDevice(2, 1)) << "beyond the devices found";

    // Commands for the entry with a path take the kernel-streaming road,
    // which has no device here: the model stays unknown, every guard open.
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingWithPath), 1));
    EXPECT_EQ(0xFFFFFFFFul, c.m_feature);
    EXPECT_EQ(1, c.IsCurrentDevice()) << "the graph is built all the same";
}

TEST_F(DirectShowRoad, AttachingBuildsTheGraphAndCommandsReachTheCameraOnlyFromTheCurrentController)
{
    KVQDocCamController c, other;
    const int entry = EntryOf(kMatchingNoPath);
    ASSERT_GE(entry, 0);
    ASSERT_EQ(1, c.AttachDevice(entry, 1));
    EXPECT_EQ(1, c.IsCurrentDevice());
    EXPECT_EQ(&c, KVQDocCamController::GetCurrentController());
    EXPECT_EQ(0xE0, c.m_status.modelCode) << "the model inquiry reached the simulated camera";
    EXPECT_EQ(0, other.AttachDevice(entry, 1)) << "owned by another controller";
    EXPECT_EQ(1, c.GetAllConfig());

    auto* graph = static_cast<KVQVideoDevice*>(KVQDocCamController::GetInternalObject());
    ASSERT_NE(nullptr, graph);
    EXPECT_EQ(KVQDocCamController::GetDevice(entry)->dsIndex, graph->GetCurrentDevice());

    Writes();
    s_control->writes.clear();
    ASSERT_EQ(1, c.SetCommand(0xAA, 0x00, 0x01, 0x02));
    std::vector<SimCaptureControl::Write> writes = Writes();
    ASSERT_EQ(1u, writes.size());
    EXPECT_EQ(1u, writes[0].one);
    EXPECT_EQ(0u, writes[0].zero);
    EXPECT_EQ(0x0102u, writes[0].value);
    EXPECT_EQ(0xAA00u, writes[0].index);

    // The graph's own command pair, as the library's clients may call it.
    unsigned char inquiry[4] = {0x31, 0, 0, 0}, reply[4] = {};
    ASSERT_EQ(1, graph->Write(inquiry));
    ASSERT_EQ(1, graph->Read(reply));
    EXPECT_EQ(0x31, reply[0]);
    EXPECT_EQ(0xE0, reply[1]);

    EXPECT_EQ(0, other.SetCommand(0xA9, 1, 0, 0)) << "not the current controller";
    EXPECT_EQ(0, other.SetResolution(RES_1024x768));
    EXPECT_EQ(0, other.StartCapture());
    EXPECT_EQ(2u, Writes().size()) << "nothing of the other controller reached the camera";
}

TEST_F(DirectShowRoad, RefusedJpegFallsBackToYuy2AndFramesFlowAcrossStopAndRestart)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingNoPath), 1));
    auto* graph = static_cast<KVQVideoDevice*>(KVQDocCamController::GetInternalObject());
    EXPECT_EQ(0, c.IsStopped()) << "never run";
    s_control->refuseWjpg = true;
    ASSERT_EQ(1, c.SetResolution(RES_1024x768));
    EXPECT_EQ(0x80000000ul, c.m_feature & 0x80000000ul);
    EXPECT_EQ(1024, c.m_status.videoWidth);
    VideoFormat format;
    ASSERT_EQ(1, graph->GetVideoFormat(&format));
    EXPECT_EQ(kColFmtYUY2, format.format);
    EXPECT_EQ(1024, format.maxWidth);
    EXPECT_EQ(768, format.maxHeight);
    EXPECT_EQ(333333, format.minFrameInterval);

    ASSERT_EQ(1, c.SetCallbackFunction(OnFrame));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_log.frames >= 5; }));
    EXPECT_EQ(1024, g_log.width.load());
    EXPECT_EQ(768, g_log.height.load());
    EXPECT_EQ(1024 * 768 * 2, g_log.length.load());
    ASSERT_EQ(1, c.Stop());
    EXPECT_EQ(1, c.IsStopped());
    EXPECT_EQ(0, g_log.inCallback.load());
    const int stopped = g_log.frames;
    Sleep(150);
    EXPECT_EQ(stopped, g_log.frames.load()) << "no frame after Stop";

    ASSERT_EQ(1, c.StartCapture()) << "restart runs the connected graph";
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return g_log.frames >= stopped + 5; }));
    EXPECT_EQ(1, c.Stop());
}

TEST_F(DirectShowRoad, JpegPicturesReachTheCallbackThroughOrbile)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingNoPath), 1));
    ASSERT_EQ(1, c.SetResolution(RES_1024x768));
    EXPECT_EQ(0ul, c.m_feature & 0x80000000ul) << "the camera took its JPEG stream";
    auto* graph = static_cast<KVQVideoDevice*>(KVQDocCamController::GetInternalObject());
    std::vector<VideoFormat> formats;
    VideoFormat format;
    while (graph->NextVideoFormat(&format)) formats.push_back(format);
    ASSERT_EQ(12u, formats.size());
    EXPECT_EQ(kColFmtError, formats[5].format) << "WJPG reads back as no known format";
    EXPECT_EQ(1024, formats[5].maxWidth);
    EXPECT_EQ(kColFmtYUY2, formats[6].format);
    EXPECT_EQ(320, formats[6].minWidth);

    ASSERT_EQ(1, c.SetCallbackFunction(OnFrame));
    ASSERT_EQ(1, c.StartCapture());
    ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_log.frames >= 8; }));
    ASSERT_EQ(1, c.Stop());
    EXPECT_EQ(1024, g_log.width.load());
    EXPECT_EQ(768, g_log.height.load());
    EXPECT_EQ(g_log.frames.load(), g_log.pictures.load()) << "every frame one whole test picture";
}

TEST_F(DirectShowRoad, BothCaptureFormatsRefusedLeaveTheResolutionUnset)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingNoPath), 1));
    s_control->refuseWjpg = s_control->refuseYuy2 = true;
    EXPECT_EQ(0, c.SetResolution(RES_640x480));
    EXPECT_EQ(0, c.SetResolution(ResolutionType(6)));
    EXPECT_EQ(0, c.m_status.videoWidth);
}

TEST_F(DirectShowRoad, TheFirstControllerRegistersAMissingTransformFilterAndTheLastUnregistersIt)
{
    HMODULE orbile = LoadLibraryW(BesideTest(L"orbile.ax").c_str());
    ASSERT_NE(nullptr, orbile);
    ASSERT_HRESULT_SUCCEEDED(CallServer(orbile, "DllUnregisterServer"));
    ASSERT_FALSE(TransformFilterRegistered());
    {
        KVQDocCamController first;
        EXPECT_TRUE(TransformFilterRegistered());
        KVQDocCamController second;
        ASSERT_EQ(1, second.AttachDevice(EntryOf(kMatchingNoPath), 1)) << "the graph finds the filter";
    }
    EXPECT_FALSE(TransformFilterRegistered()) << "this library registered it, so it removes it";

    ASSERT_HRESULT_SUCCEEDED(CallServer(orbile, "DllRegisterServer"));
    {
        KVQDocCamController c;
    }
    EXPECT_TRUE(TransformFilterRegistered()) << "a registration of others stays";
    FreeLibrary(orbile);
}

TEST_F(DirectShowRoad, DeviceEnumerationGivesEveryDeviceItsIndexAndBoundsTheName)
{
    const std::vector<std::wstring> names = VideoInputNames();
    ASSERT_EQ(3u, names.size());
    KVQVideoDevice devices;
    unsigned short name[6];
    int index = 99;
    for (int expected = 0; expected < 3; ++expected) {
        ASSERT_EQ(1, devices.NextDevice(name, 6, &index));
        EXPECT_EQ(expected, index);
        EXPECT_EQ(names[expected].substr(0, 5), reinterpret_cast<const wchar_t*>(name));
        EXPECT_NE(nullptr, devices.GetDevice(index));
    }
    EXPECT_EQ(0, devices.NextDevice(name, 6, &index));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(3, devices.GetDevices());
    EXPECT_EQ(nullptr, devices.GetDevice(128));
    EXPECT_EQ(0, devices.SetCurrentDevice(3)) << "no device there";
    EXPECT_EQ(0, devices.StartCapture()) << "no graph";
    EXPECT_EQ(0, devices.IsStopped());
    devices.Close(1);
    EXPECT_EQ(nullptr, devices.GetDevice(0)) << "released without a graph";
}

TEST_F(DirectShowRoad, WithoutTheTransformFilterAClaimedCameraIsNotCurrentAndTakesNoCommands)
{
    HMODULE orbile = LoadLibraryW(BesideTest(L"orbile.ax").c_str());
    ASSERT_NE(nullptr, orbile);
    {
        KVQDocCamController c;
        const int entry = EntryOf(kMatchingNoPath);
        ASSERT_EQ(1, c.AttachDevice(entry, 1));
        ASSERT_EQ(1, c.IsCurrentDevice());
        ASSERT_HRESULT_SUCCEEDED(CallServer(orbile, "DllUnregisterServer"));
        // The switch to the other camera tears the graph down and cannot rebuild it.
        EXPECT_EQ(1, c.AttachDevice(EntryOf(kMatchingWithPath), 1)) << "claimed all the same";
        EXPECT_EQ(0, c.IsCurrentDevice());
        EXPECT_EQ(nullptr, KVQDocCamController::GetCurrentController());
        auto* graph = static_cast<KVQVideoDevice*>(KVQDocCamController::GetInternalObject());
        EXPECT_EQ(-1, graph->GetCurrentDevice());
        EXPECT_EQ(0, c.StartCapture());
        EXPECT_EQ(0, c.MakeCurrent());
        ASSERT_EQ(1, c.AttachDevice(entry, 1));
        EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0)) << "no graph, no command";
        ASSERT_HRESULT_SUCCEEDED(CallServer(orbile, "DllRegisterServer"));
        EXPECT_EQ(1, c.MakeCurrent());
        EXPECT_EQ(1, c.SetCommand(0xA9, 0, 0, 0));
    }
    FreeLibrary(orbile);
}

TEST_F(DirectShowRoad, NoCallbackRunsOnceStopReturnsThoughTheCallbackIsSlow)
{
    KVQDocCamController c;
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingNoPath), 1));
    ASSERT_EQ(1, c.SetCallbackFunction(SlowFrame));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(1, c.StartCapture());
        ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_log.inCallback > 0; })) << "a frame at work";
        ASSERT_EQ(1, c.Stop());
        EXPECT_EQ(0, g_log.inCallback.load()) << "Stop returned while the callback ran";
    }
}

TEST_F(DirectShowRoad, ACallbackSendingCommandsHoldsUpNeitherASwitchNorTheLastController)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto* shown = new KVQDocCamController;
        auto* other = new KVQDocCamController;
        ASSERT_EQ(1, shown->AttachDevice(EntryOf(kMatchingNoPath), 1));
        ASSERT_EQ(1, other->AttachDevice(EntryOf(kMatchingWithPath), 0));
        g_commander = shown;
        ASSERT_EQ(1, shown->SetCallbackFunction(CommandFromFrame));
        ASSERT_EQ(1, shown->StartCapture());
        const int seen = g_log.frames;
        ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return g_log.frames >= seen + 3; }));
        // The switch and the destruction begin while a frame is at work.
        ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_log.inCallback > 0; }));
        int switched = 0;
        MustEndWithin(10000, "a camera switch", [&] { switched = other->MakeCurrent(); });
        EXPECT_EQ(1, switched);

        ASSERT_EQ(1, shown->MakeCurrent());
        ASSERT_EQ(1, shown->SetCallbackFunction(CommandFromFrame));
        ASSERT_EQ(1, shown->StartCapture());
        const int again = g_log.frames;
        ASSERT_TRUE(PollUntil(kPatienceMs, [&] { return g_log.frames >= again + 3; }));
        delete other;
        ASSERT_TRUE(PollUntil(kPatienceMs, [] { return g_log.inCallback > 0; }));
        MustEndWithin(10000, "the last controller's destruction", [&] { delete shown; });
        g_commander = nullptr;
    }
}

TEST_F(DirectShowRoad, AFailedCommandInterfaceLookupFailsOnlyItsOwnCommand)
{
    KVQDocCamController c;
    s_control->refuseCommandLookups = 1;
    ASSERT_EQ(1, c.AttachDevice(EntryOf(kMatchingNoPath), 1));
    EXPECT_EQ(0, s_control->refuseCommandLookups) << "looked up for the model inquiry";
    EXPECT_EQ(0xFFFFFFFFul, c.m_feature) << "the model inquiry failed";
    EXPECT_EQ(1, c.SetCommand(0xA9, 1, 0, 0)) << "the next command looks again";
    EXPECT_EQ(1, c.GetDocCamModel());
}

// Holds the streaming thread in the callback while `held` is set, and
// notes which threads deliver.
struct HeldFrames {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> held{true};
    std::mutex lock;
    std::vector<DWORD> threads;
    ~HeldFrames()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
};
HeldFrames* g_held = nullptr;

void HeldFrame(unsigned char*, int, int, int)
{
    if (g_held->held) {
        SetEvent(g_held->entered);
        WaitForSingleObject(g_held->release, 30000);
        return;
    }
    std::lock_guard<std::mutex> guard(g_held->lock);
    g_held->threads.push_back(GetCurrentThreadId());
}

TEST_F(DirectShowRoad, ACaptureStreamThatOutlastsItsStopEndsOnItsOwnAfterARestart)
{
    IGraphBuilder* graph = nullptr;
    IBaseFilter* camera = nullptr;
    IBaseFilter* transform = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                              reinterpret_cast<void**>(&graph)));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_SimCaptureFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                              reinterpret_cast<void**>(&camera)));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                              reinterpret_cast<void**>(&transform)));
    IPin* out = nullptr;
    IPin* in = nullptr;
    IVideoTransformProp* prop = nullptr;
    IMediaControl* control = nullptr;
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(camera, L"Camera"));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(transform, L"Transform"));
    ASSERT_HRESULT_SUCCEEDED(camera->FindPin(L"Capture", &out));
    ASSERT_HRESULT_SUCCEEDED(transform->FindPin(L"In", &in));
    ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(out, in, nullptr));
    ASSERT_HRESULT_SUCCEEDED(transform->QueryInterface(IID_VideoTransformProp, reinterpret_cast<void**>(&prop)));
    ASSERT_HRESULT_SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));

    HeldFrames held;
    g_held = &held;
    prop->SetFrameCallback(HeldFrame);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.entered, 5000));
    // The camera alone stops and runs again while its thread is held
    // downstream past the stop's wait.
    s_control->streamStopWaitMs = 50;
    EXPECT_HRESULT_SUCCEEDED(camera->Stop());
    EXPECT_HRESULT_SUCCEEDED(camera->Run(0));
    held.held = false;
    SetEvent(held.release);
    ASSERT_TRUE(PollUntil(kPatienceMs, [&] {
        std::lock_guard<std::mutex> guard(held.lock);
        return held.threads.size() >= 12;
    }));
    control->Stop();
    {
        std::lock_guard<std::mutex> guard(held.lock);
        for (DWORD thread : held.threads)
            EXPECT_EQ(held.threads.back(), thread) << "a second stream of the stopped run";
    }
    g_held = nullptr;
    prop->Release();
    control->Release();
    in->Release();
    out->Release();
    graph->Release();
    transform->Release();
    camera->Release();
}

}  // namespace
