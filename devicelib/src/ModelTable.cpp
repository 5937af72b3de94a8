#include "ModelTable.h"

#include "kvqdoccam.h"

const unsigned short KVQDocCamController::m_modelNum[kModelRows] = {
    0x00, 0x01, 0x11, 0x13, 0x14, 0x15, 0x30, 0x33, 0x53, 0x31, 0x60, 0x32, 0x61, 0x73, 0x74, 0x75, 0x68, 0x69};

const unsigned long KVQDocCamController::m_modelFeature[kModelRows] = {
    0xFFFFFFFF, 0x000000F9, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x000000F9, 0x000000FE, 0x000000FE,
    0x00000BFD, 0x00000FFF, 0x00001BFD, 0x00001FFF, 0x00001000, 0x00001000, 0x00001BF9, 0x00021BFD, 0x00021FFF};

const wchar_t KVQDocCamController::m_modelName[kModelRows][kModelNameLength] = {
    L"unknown",     L"760e",      L"290plus",   L"470",        L"470m",         L"490",
    L"760r",        L"790",       L"970",       L"760FX",      L"TR-D4",        L"760FX(ASIC)",
    L"TR-D4(ASIC)", L"470(ASIC)", L"490(ASIC)", L"760R(ASIC)", L"760FX Motion", L"TRD760 Motion"};

namespace devicelib {

int FindModelRow(uint8_t modelCode)
{
    // Bit 7 is the resolution mode, not part of the model; row 0 is only the
    // fallback and never matches.
    for (int row = 1; row < KVQDocCamController::kModelRows; ++row)
        if (KVQDocCamController::m_modelNum[row] == (modelCode & 0x7F)) return row;
    return -1;
}

unsigned long CapabilityFeature(uint8_t r1, uint8_t r2, uint8_t r3, bool haveSecond, uint8_t s1)
{
    struct Rule {
        uint8_t byte;
        uint8_t mask;
        unsigned long feature;
    };
    static const Rule kRules[] = {{2, 0x20, 0x4},    {1, 0x01, 0x8},    {2, 0x01, 0x40},
                                  {2, 0x08, 0x80},   {2, 0x04, 0x400},  {1, 0x02, 0x2000},
                                  {2, 0x10, 0x4000}, {2, 0x02, 0x8000}, {3, 0x04, 0x10000}};
    static const Rule kSecondRules[] = {{1, 0x80, 0x20000}, {1, 0x40, 0x40000}, {1, 0x10, 0x100000}};

    const uint8_t bytes[4] = {0, r1, r2, r3};
    unsigned long feature = 0x1100;
    for (const Rule& rule : kRules)
        if (bytes[rule.byte] & rule.mask) feature |= rule.feature;
    if (haveSecond)
        for (const Rule& rule : kSecondRules)
            if (s1 & rule.mask) feature |= rule.feature;
    return feature;
}

}  // namespace devicelib
