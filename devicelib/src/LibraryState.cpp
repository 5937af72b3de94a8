#include "LibraryState.h"

#include "StatusBlock.h"
#include "kvqdoccam.h"

namespace devicelib {

namespace {
DirectUsbDevice* g_directUsb = nullptr;
unsigned char g_statusBuffer[kStatusBufferSize];
}  // namespace

CriticalSection& LibraryLock() {
  static CriticalSection lock;
  return lock;
}

DirectUsbDevice* DirectUsb() { return g_directUsb; }
void SetDirectUsb(DirectUsbDevice* device) { g_directUsb = device; }

unsigned char* DirectUsbStatusBuffer() { return g_statusBuffer; }

int OnDirectUsbStatus(unsigned char* buffer) {
  KVQDocCamController* current = KVQDocCamController::m_pCurController;
  if (!current) return 0;
  return ParseStatusBlock(current->m_status, buffer, kStatusBufferSize, current->m_feature) ? 1 : 0;
}

}  // namespace devicelib
