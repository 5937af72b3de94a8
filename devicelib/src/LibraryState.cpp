#include "LibraryState.h"

#include "StatusBlock.h"
#include "kvqdoccam.h"

namespace devicelib {

namespace {
DirectUsbDevice* g_directUsb = nullptr;
std::unique_ptr<DirectUsbDevice> g_ownedDirectUsb;
std::unique_ptr<CaptureGraph> g_videoGraph;
CaptureGraphFactory g_graphFactory = nullptr;
unsigned char g_statusBuffer[kStatusBufferSize];
}  // namespace

CriticalSection& LibraryLock() {
  static CriticalSection lock;
  return lock;
}

DirectUsbDevice* DirectUsb() { return g_directUsb; }
void SetDirectUsb(DirectUsbDevice* device) { g_directUsb = device; }

void AdoptDirectUsb(std::unique_ptr<DirectUsbDevice> device) {
  g_ownedDirectUsb = std::move(device);
  g_directUsb = g_ownedDirectUsb.get();
}

void DestroyDirectUsb() {
  if (g_directUsb) g_directUsb->Close();
  g_directUsb = nullptr;
  g_ownedDirectUsb.reset();
}

CaptureGraph* VideoGraph() { return g_videoGraph.get(); }
void SetVideoGraph(std::unique_ptr<CaptureGraph> graph) { g_videoGraph = std::move(graph); }

void InstallCaptureGraphFactory(CaptureGraphFactory factory) { g_graphFactory = factory; }
std::unique_ptr<CaptureGraph> CreateCaptureGraph() {
  return g_graphFactory ? g_graphFactory() : PlatformCaptureGraph();
}

unsigned char* DirectUsbStatusBuffer() { return g_statusBuffer; }

int OnDirectUsbStatus(unsigned char* buffer) {
  KVQDocCamController* current = KVQDocCamController::m_pCurController;
  if (!current) return 0;
  return ParseStatusBlock(current->m_status, buffer, kStatusBufferSize, current->m_feature) ? 1 : 0;
}

}  // namespace devicelib
