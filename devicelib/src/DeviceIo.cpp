#include "DeviceIo.h"

namespace devicelib {

namespace {
DeviceIo* g_io = nullptr;
Pacer* g_pacer = nullptr;
}  // namespace

DeviceIo& Io() { return g_io ? *g_io : PlatformDeviceIo(); }
Pacer& Pace() { return g_pacer ? *g_pacer : PlatformPacer(); }
void InstallDeviceIo(DeviceIo* io) { g_io = io; }
void InstallPacer(Pacer* pacer) { g_pacer = pacer; }

}  // namespace devicelib
