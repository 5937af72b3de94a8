#include "LibraryState.h"

#include "StatusBlock.h"
#include "kvqdoccam.h"

namespace devicelib {

namespace {
// Plain pointers: shared objects that the clients leave behind at process
// exit are not torn down from the loader's detach, where their threads are
// already gone and COM may not be called.
DirectUsbDevice* g_directUsb = nullptr;
DirectUsbDevice* g_ownedDirectUsb = nullptr;
CaptureGraph* g_videoGraph = nullptr;
CaptureGraphFactory g_graphFactory = nullptr;
unsigned char g_statusBuffer[kStatusBufferSize];
thread_local bool t_inFrameCallback = false;
}  // namespace

orbile::CriticalSection& StreamLock()
{
    static orbile::CriticalSection lock;
    return lock;
}

orbile::CriticalSection& LibraryLock()
{
    static orbile::CriticalSection lock;
    return lock;
}

orbile::CriticalSection& KsExchangeLock()
{
    static orbile::CriticalSection lock;
    return lock;
}

FrameCallbackScope::FrameCallbackScope() { t_inFrameCallback = true; }
FrameCallbackScope::~FrameCallbackScope() { t_inFrameCallback = false; }
bool InFrameCallback() { return t_inFrameCallback; }

DirectUsbDevice* DirectUsb() { return g_directUsb; }
void SetDirectUsb(DirectUsbDevice* device) { g_directUsb = device; }

void AdoptDirectUsb(std::unique_ptr<DirectUsbDevice> device)
{
    delete g_ownedDirectUsb;
    g_ownedDirectUsb = g_directUsb = device.release();
}

void DestroyDirectUsb()
{
    if (g_directUsb) g_directUsb->Close();
    g_directUsb = nullptr;
    delete g_ownedDirectUsb;
    g_ownedDirectUsb = nullptr;
}

CaptureGraph* VideoGraph() { return g_videoGraph; }
void SetVideoGraph(std::unique_ptr<CaptureGraph> graph)
{
    delete g_videoGraph;
    g_videoGraph = graph.release();
}

void InstallCaptureGraphFactory(CaptureGraphFactory factory) { g_graphFactory = factory; }
std::unique_ptr<CaptureGraph> CreateCaptureGraph()
{
    return g_graphFactory ? g_graphFactory() : PlatformCaptureGraph();
}

unsigned char* DirectUsbStatusBuffer() { return g_statusBuffer; }

int OnDirectUsbStatus(unsigned char* buffer)
{
    // Under the lock the destructor clears the current controller with.
    orbile::Locked locked(LibraryLock());
    KVQDocCamController* current = KVQDocCamController::m_pCurController;
    if (!current) return 0;
    return ParseStatusBlock(current->m_status, buffer, kStatusBufferSize, current->m_feature) ? 1 : 0;
}

}  // namespace devicelib
