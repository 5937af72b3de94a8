// Processor classification: CPUID is read once per process; the class of a
// record comes from it and from the "USECPU" override.
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "CpuDispatch.h"
#include "Platform.h"

void decodeCpuid(uint32_t highestLeaf, const uint32_t leaf0[3], const uint32_t leaf1[4], CpuInfo* info)
{
    *info = CpuInfo{};
    std::memcpy(info->vendor, leaf0, 12);  // EBX, EDX, ECX
    if (highestLeaf == 0) return;
    const uint32_t eax = leaf1[0] & 0x3FFF;
    info->brandIndex = static_cast<int32_t>(leaf1[1] & 0xFF);
    info->processorType = static_cast<int32_t>((eax >> 12) & 3);
    info->family = static_cast<int32_t>((eax >> 8) & 15);
    info->model = static_cast<int32_t>((eax >> 4) & 15);
    info->stepping = static_cast<int32_t>(eax & 15);
    info->featureFlags = leaf1[3];
}

namespace {
CpuInfo readCpuid()
{
    CpuInfo info{};
    std::memset(info.vendor, ' ', 12);
#if defined(__i386__) || defined(__x86_64__)
    uint32_t highest, ebx, ecx, edx;
    if (__get_cpuid_max(0, nullptr) == 0) return info;  // no CPUID instruction
    __cpuid(0, highest, ebx, ecx, edx);
    const uint32_t leaf0[3] = {ebx, edx, ecx};
    uint32_t leaf1[4] = {};
    if (highest > 0) __cpuid(1, leaf1[0], leaf1[1], leaf1[2], leaf1[3]);
    decodeCpuid(highest, leaf0, leaf1, &info);
#endif
    return info;
}

bool has(const CpuInfo& info, uint32_t features) { return (info.featureFlags & features) == features; }

// The instruction sets the kernels of each class use, indexed by class.
constexpr uint32_t kClassNeeds[CPU_CLASS_COUNT] = {
    0,                                  // CPU_CLASS_OTHER
    0,                                  // CPU_CLASS_FAMILY5
    0,                                  // CPU_CLASS_FAMILY6
    CPU_FEATURE_MMX,                    // CPU_CLASS_FAMILY5_MMX
    CPU_FEATURE_MMX,                    // CPU_CLASS_FAMILY6_MMX
    CPU_FEATURE_MMX | CPU_FEATURE_SSE,  // CPU_CLASS_FAMILY6_SSE
    CPU_FEATURE_MMX | CPU_FEATURE_SSE2  // CPU_CLASS_FAMILY15_SSE2
};
}  // namespace

const CpuInfo& processorInfo()
{
    static const CpuInfo info = readCpuid();  // thread-safe one-time initialisation
    return info;
}

int32_t classifyProcessor(const CpuInfo& info)
{
    const bool mmx = has(info, CPU_FEATURE_MMX);
    switch (info.family) {
    case 5:
        return mmx ? CPU_CLASS_FAMILY5_MMX : CPU_CLASS_FAMILY5;
    case 6:
        if (mmx && !has(info, CPU_FEATURE_SSE)) return CPU_CLASS_FAMILY6_MMX;
        return mmx ? CPU_CLASS_FAMILY6_SSE : CPU_CLASS_FAMILY6;
    case 15:
        return has(info, CPU_FEATURE_SSE2) ? CPU_CLASS_FAMILY15_SSE2 : CPU_CLASS_OTHER;
    default:
        return CPU_CLASS_OTHER;
    }
}

int32_t resolveCpuClass(const CpuInfo& info, int32_t override)
{
    if (override >= 0 && override < CPU_CLASS_COUNT && has(info, kClassNeeds[override])) return override;
    return classifyProcessor(info);
}

int32_t readCpuOverride(CpuDispatchTable* table) { return queryCpuOverride(table); }

int32_t detectCpuClass(CpuDispatchTable* table) { return resolveCpuClass(processorInfo(), readCpuOverride(table)); }

int bindKernels(CpuDispatchTable* table)
{
    bindRegistryEntryPoints(table);
    fillDispatchTable(table, detectCpuClass(table));
    return 1;
}

void unbindKernels(CpuDispatchTable* table)
{
    if (table) unbindRegistryEntryPoints(table);
}

void byteCopy(void* destination, const void* source, int32_t count)
{
    if (count > 0) std::memcpy(destination, source, static_cast<size_t>(count));
}

int byteFill(void* destination, int32_t count)
{
    if (count > 0) std::memset(destination, 0, static_cast<size_t>(count));
    return 0;
}
