// The controller object and its command protocol.
#include <cstring>

#include "CameraVendorProperty.h"
#include "LibraryState.h"
#include "ModelTable.h"
#include "StatusBlock.h"
#include "Trace.h"
#include "Transports.h"
#include "kvqdoccam.h"

using namespace devicelib;

DOCCAM_INSTANCE KVQDocCamController::m_device[kMaxDevices];
int KVQDocCamController::m_devices = 0;
int KVQDocCamController::m_instanceCount = 0;
KVQDocCamController* KVQDocCamController::m_pCurController = nullptr;
wchar_t KVQDocCamController::m_cypressInterface[kMaxDevices][256];
int KVQDocCamController::m_cypressInterfaces = 0;

namespace {

// The kernel-streaming path of the controller's claimed camera, if it has one.
const wchar_t* KsPath(const KVQDocCamController& controller)
{
    const int index = controller.m_deviceIndex;
    if (index < 0 || index >= KVQDocCamController::m_devices) return nullptr;
    return KVQDocCamController::m_device[index].path;
}

// Runs action on the first transport that applies: the direct USB device,
// the kernel-streaming path, else the DirectShow command interface.
template <class Action>
bool OnTransport(KVQDocCamController& controller, Action action)
{
    if (DirectUsbDevice* usb = DirectUsb()) {
        DirectUsbTransport transport(*usb);
        return action(transport);
    }
    if (const wchar_t* path = KsPath(controller)) {
        KsPropertyTransport transport(Io(), controller.m_hDevice, path);
        return action(transport);
    }
    // Another controller's graph would carry the command to its camera; the
    // lock keeps the graph this controller's until the exchange is done.
    orbile::Locked locked(LibraryLock());
    if (KVQDocCamController::m_pCurController != &controller) return false;
    DirectShowTransport transport(Io(), controller.m_command);
    return action(transport);
}

}  // namespace

int KVQDocCamController::GetInstances() { return m_instanceCount; }
int KVQDocCamController::GetDevices() { return m_devices; }
DOCCAM_INSTANCE* KVQDocCamController::GetDevice(int index) { return &m_device[index]; }
KVQDocCamController* KVQDocCamController::GetCurrentController() { return m_pCurController; }
void* KVQDocCamController::GetDeviceIoInterface() { return m_hDevice; }

int KVQDocCamController::SetCommand(unsigned char op, unsigned char a1, unsigned char a2, unsigned char a3)
{
    const DocCamCommand command = {op, a1, a2, a3};
    return OnTransport(*this, [&](CommandTransport& t) { return t.Command(command); });
}

int KVQDocCamController::InquiryCommand(unsigned char op, unsigned char expect, unsigned char* reply, unsigned char a1,
                                        unsigned char a2, unsigned char a3)
{
    const DocCamCommand command = {op, a1, a2, a3};
    // The exchange fills a buffer of its own, so a reply read by one thread
    // is never replaced by another thread's before its caller has it.
    // m_reply itself is shared by every thread asking this controller.
    unsigned char answer[kReplySize];
    {
        orbile::Locked locked(LibraryLock());
        std::memcpy(answer, m_reply, sizeof answer);
    }
    const bool ok = OnTransport(*this, [&](CommandTransport& t) { return t.Inquiry(command, expect, answer); });
    {
        orbile::Locked locked(LibraryLock());
        std::memcpy(m_reply, answer, sizeof m_reply);
    }
    if (!ok) return 0;
    if (reply && reply != m_reply) std::memcpy(reply, answer, sizeof answer);
    return 1;
}

int KVQDocCamController::GetLastCommandProcess()
{
    unsigned char r[4];
    if (!Inquire(0x62, r) || r[1] > 3) return -1;
    return r[1];
}

int KVQDocCamController::Inquire(unsigned char op, unsigned char reply[4], unsigned char a1)
{
    return InquiryCommand(op, op, reply, a1);
}

int KVQDocCamController::IncrementalUpdate()
{
    if (DirectUsbDevice* usb = DirectUsb()) {
        if (!usb->HasStatusCallback()) usb->SetStatusCallback(OnDirectUsbStatus, DirectUsbStatusBuffer());
        return 1;
    }
    const wchar_t* path = KsPath(*this);
    if (m_hDevice == kInvalidDevice || !path) return 0;
    uint8_t block[camvendor::kStatusBlockSize];
    KsPropertyTransport transport(Io(), m_hDevice, path);
    if (!transport.ReadStatus(block, sizeof block)) return 0;
    return ParseStatusBlock(m_status, block, sizeof block, m_feature) ? 1 : 0;
}

int KVQDocCamController::CheckJpegEnd(void* data, int len)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || len <= 9 || bytes[0] != 0xFF || bytes[1] != 0xD8) return 0;
    // Cameras pad their frames by up to eight bytes after the end marker.
    for (int at = len - 10; at <= len - 2; ++at)
        if (bytes[at] == 0xFF && bytes[at + 1] == 0xD9) return 1;
    return 0;
}
