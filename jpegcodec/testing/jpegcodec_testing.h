// Test-only access to codec state members that JPEG_PROPERTIES does not
// expose. Production callers never include this header.
#ifndef JPEGCODEC_TESTING_H
#define JPEGCODEC_TESTING_H

#include "CpuDispatch.h"
#include "jpegcodec.h"

namespace jpegtest {

inline void setDctMethod(JPEG_PROPERTIES* p, int32_t method) { p->state.dctMethod = method; }
inline void setRegion(JPEG_PROPERTIES* p, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    p->state.region = JpegRegion{left, top, right, bottom};
}
inline JpegRegion region(const JPEG_PROPERTIES* p) { return p->state.region; }
inline void setRegionDecoding(JPEG_PROPERTIES* p, int32_t on) { p->state.regionDecoding = on; }
inline void setBitmapBypass(JPEG_PROPERTIES* p, int32_t on) { p->state.bitmapBypass = on; }
inline void setSmoothUpsampling(JPEG_PROPERTIES* p, int32_t on) { p->state.smoothUpsampling = on; }
inline void setInterruptEachMcu(JPEG_PROPERTIES* p, int32_t on) { p->state.interruptEachMcu = on; }
inline void setCoefficientOutput(JPEG_PROPERTIES* p, JpegCoefficientOutput* output)
{
    p->state.coefficientOutput = output;
}
inline void setProgressiveWriting(JPEG_PROPERTIES* p, int32_t on) { p->state.progressiveFrame = on; }
inline void setRestartInterval(JPEG_PROPERTIES* p, int32_t interval) { p->state.restartInterval = interval; }
inline void setCallerQuantTables(JPEG_PROPERTIES* p, const JpegQuantSpec (&specs)[4])
{
    for (int i = 0; i < 4; ++i) p->state.quantSpecs[i] = specs[i];
    p->state.callerQuantTables = 1;
}
inline void setCallerHuffmanTables(JPEG_PROPERTIES* p, const JpegHuffSpec (&specs)[8])
{
    for (int i = 0; i < 8; ++i) p->state.huffSpecs[i] = specs[i];
    p->state.callerHuffTables = 1;
}
inline int32_t cpuClass(const JPEG_PROPERTIES* p) { return p->state.cpuClass; }
inline const CpuDispatchTable* dispatchTable(const JPEG_PROPERTIES* p) { return p->state.io.cpuTable; }
inline bool fileOpen(const JPEG_PROPERTIES* p) { return p->state.io.file != nullptr; }

}  // namespace jpegtest

#ifndef _WIN32
// Stands in for the "USECPU" registry value on hosts without a registry.
void setCpuOverrideForTesting(int32_t cpuClass);
#endif

#endif
