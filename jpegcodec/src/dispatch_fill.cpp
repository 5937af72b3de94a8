// The setters of the dispatch table: one kernel per slot for a processor class.
#include "cpu_dispatch.h"
#include "enc_dispatch.h"

#if defined(__i386__) || defined(__x86_64__)
#include <mmintrin.h>
#endif

namespace {
void endPortableKernels() {}

// Leaves the floating-point unit usable for the caller after MMX kernels.
#if defined(__i386__) || defined(__x86_64__)
__attribute__((target("mmx"))) void clearMmxState() { _mm_empty(); }
#else
void clearMmxState() {}
#endif
}  // namespace

void fillDispatchTable(CpuDispatchTable* table, int32_t cpuClass) {
  table->endKernels = cpuClass >= 3 ? clearMmxState : endPortableKernels;
  installPortableEncoderKernels(table);
}
