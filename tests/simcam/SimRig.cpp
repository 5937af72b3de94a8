#include "SimRig.h"

#include <cstring>

#include "DirectUsbDevice.h"
#include "kvqcapturegraph.h"
#include "kvqdoccam.h"

namespace simcam {

const char* TransportName(Transport transport)
{
    switch (transport) {
    case Transport::kDirectUsb:
        return "DirectUsb";
    case Transport::kKsProperty:
        return "KsProperty";
    case Transport::kDirectShow:
        return "DirectShow";
    }
    return "?";
}

namespace {

void ClearDeviceTable()
{
    std::memset(KVQDocCamController::m_device, 0, sizeof KVQDocCamController::m_device);
    std::memset(KVQDocCamController::m_cypressInterface, 0, sizeof KVQDocCamController::m_cypressInterface);
    KVQDocCamController::m_devices = 0;
    KVQDocCamController::m_cypressInterfaces = 0;
    KVQDocCamController::m_pCurController = nullptr;
}

// The simulated camera is the only one: no DirectShow devices of the system.
std::unique_ptr<devicelib::CaptureGraph> NoCaptureGraph() { return nullptr; }

}  // namespace

SimRig::SimRig(Transport t, uint8_t modelCode) : camera(modelCode), io(camera), transport(t)
{
    ClearDeviceTable();
    devicelib::InstallDeviceIo(&io);
    devicelib::InstallPacer(&io);
    devicelib::InstallCaptureGraphFactory(NoCaptureGraph);
    if (transport == Transport::kDirectUsb) {
        io.directUsbPresent = true;
        directUsb_.reset(new devicelib::DirectUsbDevice(io));
        directUsb_->Open();
        devicelib::SetDirectUsb(directUsb_.get());
    }
    if (transport == Transport::kKsProperty) {
        std::wcsncpy(KVQDocCamController::m_cypressInterface[0], SimDeviceIo::kCameraPath, 255);
        KVQDocCamController::m_cypressInterfaces = 1;
    }
}

SimRig::~SimRig()
{
    devicelib::SetDirectUsb(nullptr);
    directUsb_.reset();
    devicelib::InstallDeviceIo(nullptr);
    devicelib::InstallPacer(nullptr);
    devicelib::InstallCaptureGraphFactory(nullptr);
    ClearDeviceTable();
}

void SimRig::Attach(KVQDocCamController& controller)
{
    DOCCAM_INSTANCE& entry = KVQDocCamController::m_device[0];
    entry.owner = &controller;
    entry.filter = nullptr;
    entry.path = transport == Transport::kKsProperty ? KVQDocCamController::m_cypressInterface[0] : nullptr;
    entry.dsIndex = 0;
    KVQDocCamController::m_devices = 1;
    controller.m_deviceIndex = 0;
    controller.m_dsIndex = 0;
    KVQDocCamController::m_pCurController = &controller;
    // What the controller's construction asked (discovery) is not the test's.
    io.calls.clear();
}

}  // namespace simcam
