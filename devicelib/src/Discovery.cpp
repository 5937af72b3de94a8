// The controller's life: discovery of the cameras by the first controller,
// claiming one (AttachDevice), selecting it, and the teardown by the last.
#include <cstring>
#include <cwchar>
#include <memory>

#include "LibraryState.h"
#include "ModelTable.h"
#include "Trace.h"
#include "kvqdoccam.h"

using namespace devicelib;

namespace {

const int kDefaultPanRangeHori = 1024;
const int kDefaultPanRangeVert = 768;
const int kNameLength = 256;

// Capture interfaces whose device description names one of our cameras.
const wchar_t* const kInterfaceDescriptions[] = {
    L"USB Video Camera for DovraOrbile Digital Presenter",
    L"USB Video Camera for DovraOrbile Digital Presenter 2",
    L"USB Video Camera for Digital Presenter 2",
};

struct CameraName {
    const wchar_t* friendlyName;
    bool withPath;  // commands go through the next capture interface's property set
};

const CameraName kCameraNames[] = {
    {L"Korvane PC Camera", false},
    {L"USB Video Camera for DovraOrbile Digital Presenter", true},
    {L"USB Video Camera for DovraOrbile Digital Presenter 2", true},
    {L"TezmarRGB WDM 0123", true},
    {L"PC Camera", false},
    {L"USB Video Camera for Digital Presenter 2", true},
};

const CameraName* FindCameraName(const wchar_t* name)
{
    for (const CameraName& camera : kCameraNames)
        if (std::wcscmp(name, camera.friendlyName) == 0) return &camera;
    return nullptr;
}

bool IsCameraInterface(const std::wstring& description)
{
    for (const wchar_t* known : kInterfaceDescriptions)
        if (description == known) return true;
    return false;
}

// The private device is the only camera when it opens and initialises.
bool DiscoverDirectUsb()
{
    std::unique_ptr<DirectUsbDevice> device(new DirectUsbDevice(Io()));
    if (!device->Open()) return false;
    Trace(L"  The DocCam device is opened with non-DirectShow method.\n");
    if (!device->Initialize()) {
        Trace(L"  Can not initialize the device with non-DirectShow method.\n");
        return false;
    }
    Trace(L"  The DocCam device is initialized with non-DirectShow method.\n");
    AdoptDirectUsb(std::move(device));
    return true;
}

}  // namespace

void KVQDocCamController::EnumerateDovraCamInterfaces()
{
    std::memset(m_cypressInterface, 0, sizeof m_cypressInterface);
    m_cypressInterfaces = 0;
    for (const CaptureInterface& found : Io().EnumerateCaptureInterfaces()) {
        if (m_cypressInterfaces == kMaxDevices) break;
        if (!IsCameraInterface(found.description)) continue;
        wchar_t* path = m_cypressInterface[m_cypressInterfaces++];
        std::wcsncpy(path, found.path.c_str(), 255);
        path[255] = L'\0';
        Trace(L"  enumerated interface: %ls\n", path);
    }
}

// The DirectShow video-input devices with one of our cameras' names, each
// with the next matching capture interface's path when it takes commands
// that way: the two lists pair up by order.
void KVQDocCamController::Discover()
{
    EnumerateDovraCamInterfaces();
    m_devices = 0;
    SetVideoGraph(CreateCaptureGraph());
    CaptureGraph* graph = VideoGraph();
    if (graph && graph->CreateDeviceEnumerator()) {
        unsigned short name[kNameLength];
        int index = -1;
        int nextPath = 0;
        while (m_devices < kMaxDevices && graph->NextDevice(name, kNameLength, &index)) {
            const CameraName* camera = FindCameraName(reinterpret_cast<const wchar_t*>(name));
            if (!camera) continue;
            DOCCAM_INSTANCE& entry = m_device[m_devices++];
            entry.owner = nullptr;
            entry.filter = graph->GetDevice(index);
            entry.dsIndex = index;
            entry.path = camera->withPath && nextPath < kMaxDevices ? m_cypressInterface[nextPath++] : nullptr;
        }
        graph->ReleaseDeviceEnumerator();
    }
    if (m_devices == 0)
        Trace(L"  No DocCam Device is found.\n");
    else if (m_devices == 1)
        Trace(L"  Only one DocCam Device is present.\n");
    else
        Trace(L"  %d DocCam Devices are found.\n", m_devices);
}

KVQDocCamController::KVQDocCamController()
    : m_hDevice(kInvalidDevice), m_feature(kUnknownFeature), m_dsIndex(-1), m_deviceIndex(-1), m_command(), m_reply()
{
    {
        orbile::Locked streaming(StreamLock());
        orbile::Locked locked(LibraryLock());
        Trace(L"KVQDocCamController::KVQDocCamController(%d):\n", m_instanceCount);
        if (m_instanceCount++ == 0) StartPlatformServices();
        if (m_devices == 0 && !DirectUsb() && DiscoverDirectUsb()) {
            std::memset(&m_device[0], 0, sizeof m_device[0]);
            m_devices = 1;
        }
        if (!VideoGraph() && !DirectUsb()) Discover();
    }
    std::memset(&m_status, 0, sizeof m_status);
    ResetZoomCache();
    m_status.panRangeHori = kDefaultPanRangeHori;
    m_status.panRangeVert = kDefaultPanRangeVert;
}

// Streaming has stopped already: nothing here waits for a frame callback.
void KVQDocCamController::TearDownShared()
{
    SetVideoGraph(nullptr);
    DestroyDirectUsb();
    m_devices = 0;
    StopPlatformServices();
}

KVQDocCamController::~KVQDocCamController()
{
    if (m_hDevice != kInvalidDevice) Io().Close(m_hDevice);
    orbile::Locked streaming(StreamLock());
    // The last controller ends the frames before it takes the library lock: a
    // frame callback still at work may be sending a command.
    if (m_instanceCount == 1) StopStreaming();
    orbile::Locked locked(LibraryLock());
    if (m_deviceIndex >= 0 && m_deviceIndex < m_devices && m_device[m_deviceIndex].owner == this)
        m_device[m_deviceIndex].owner = nullptr;
    // From here no status of the streaming thread reaches this controller.
    if (m_pCurController == this) m_pCurController = nullptr;
    if (--m_instanceCount == 0) TearDownShared();
}

void* KVQDocCamController::GetInternalObject() { return VideoGraph(); }

bool KVQDocCamController::OwnsCaptureGraph() const
{
    CaptureGraph* graph = VideoGraph();
    return m_dsIndex != -1 && graph && graph->GetCurrentDevice() == m_dsIndex;
}

int KVQDocCamController::IsCurrentDevice() { return DirectUsb() || OwnsCaptureGraph() ? 1 : 0; }

int KVQDocCamController::AttachDevice(int index, int makeCurrent)
{
    if (index >= m_devices || InFrameCallback()) return 0;
    bool claimed = false;
    {
        orbile::Locked streaming(StreamLock());
        {
            orbile::Locked locked(LibraryLock());
            if (m_deviceIndex >= 0 && m_device[m_deviceIndex].owner == this) m_device[m_deviceIndex].owner = nullptr;
            m_deviceIndex = m_dsIndex = -1;
            if (index >= 0 && !m_device[index].owner) {
                m_device[index].owner = this;
                m_dsIndex = m_device[index].dsIndex;
                m_deviceIndex = index;
                claimed = true;
                Trace(L"KVQDocCamController::AttachDevice(%d):\n", m_deviceIndex);
            }
        }
        if (claimed && makeCurrent) MakeCurrent();
    }
    SetFeature(kUnknownFeature);
    if (claimed && GetDocCamModel()) LookUpModelFeature();
    return claimed ? 1 : 0;
}

int KVQDocCamController::MakeCurrent()
{
    // The switch waits for the frame callback; it cannot be asked from there.
    if (InFrameCallback()) return 0;
    orbile::Locked streaming(StreamLock());
    if (DirectUsb() || (m_dsIndex != -1 && OwnsCaptureGraph())) {
        orbile::Locked locked(LibraryLock());
        m_pCurController = this;
        return 1;
    }
    if (m_dsIndex == -1) return 0;
    Trace(L"KVQDocCamController::MakeCurrent():\n");
    CaptureGraph* graph = VideoGraph();
    // The graph stops before the switch takes the library lock: a frame
    // callback still at work may be sending a command.
    if (graph) graph->Stop();
    orbile::Locked locked(LibraryLock());
    if (graph && graph->SetCurrentDevice(m_dsIndex)) {
        m_pCurController = this;
        return 1;
    }
    // The graph no longer belongs to the former current controller either.
    m_pCurController = nullptr;
    return 0;
}
