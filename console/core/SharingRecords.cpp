#include "SharingRecords.h"

#include <cstdio>
#include <cstring>

#include <kvqfeatures.h>

namespace {

// Feature bits of the model and the bit of the capability record's feature
// byte each becomes.
struct FeatureBit {
    unsigned long feature;
    uint8_t bit;
};
const FeatureBit kFeatureBits[] = {
    {0x8, 0x01}, {0x4, 0x02}, {0x80, 0x10}, {0x40, 0x20}, {kFeatureLargeFrame, 0x40}, {kFeatureAutoImage, 0x80},
};

const size_t kMaxLabelBytes = 63;

bool TripleZoomModel(int model) { return model == 96 || model == 97; }

void StoreBigEndianFloat(uint8_t* p, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    p[0] = uint8_t(bits >> 24);
    p[1] = uint8_t(bits >> 16);
    p[2] = uint8_t(bits >> 8);
    p[3] = uint8_t(bits);
}

}  // namespace

uint8_t ZoomFactorA(int model) { return TripleZoomModel(model) ? 3 : 1; }

uint8_t ZoomFactorB(int model) { return TripleZoomModel(model) || model == 49 || model == 50 ? 2 : 1; }

uint8_t ZoomSteps(int model, int zoomMax)
{
    switch (model) {
    case 19:
    case 21:
        return 4;
    case 17:
        return 2;
    case 117:
        return 32;
    default:
        break;
    }
    const uint8_t steps = uint8_t(zoomMax / 100);
    return TripleZoomModel(model) ? uint8_t(steps / 3) : steps;
}

void BuildCapabilityReply(const SharedCameraFacts& facts, uint8_t out[kCapabilityReplyBytes])
{
    std::memset(out, 0, kCapabilityReplyBytes);
    out[0] = ZoomFactorA(facts.model);
    out[1] = ZoomFactorB(facts.model);
    out[2] = ZoomSteps(facts.model, facts.zoomMax);
    out[3] = 0;
    if (facts.features & kFeatureOwnBrightnessRange)
        out[4] = facts.brightnessMax ? uint8_t(facts.brightnessMax) : uint8_t('?');
    else
        out[4] = 'd';
    for (const FeatureBit& bit : kFeatureBits)
        if (facts.features & bit.feature) out[5] |= bit.bit;
}

void BuildCapabilityReplyV2(uint8_t out[kCapabilityReplyV2Bytes])
{
    std::memset(out, 0, kCapabilityReplyV2Bytes);
    out[2] = 2;
}

void BuildCameraStateHeader(const SharedCameraState& state, uint8_t out[kCameraStateHeaderBytes])
{
    std::memset(out, 0, kCameraStateHeaderBytes);
    StoreBigEndianFloat(out, float(state.brightness));
    StoreBigEndianFloat(out + 4, float(state.zoomSize * 0.01));
    StoreBigEndianFloat(out + 8, float(state.digitalZoomSize * 0.01));
    out[12] = state.rotation;
    out[13] = state.mirror;
    out[14] = state.frozen ? 1 : 0;
    out[15] = state.colourMode;
    out[16] = state.whiteBalanceMode == 0 ? 1 : 0;
    out[17] = state.exposureMode == 0 ? 1 : 0;
    out[18] = state.controllable ? 1 : 0;
    out[19] = (state.features & kFeatureLargeFrame) && state.motion ? 1 : 0;
    StoreBigEndianFloat(out + 20, float(ZoomFactorA(state.model)));
    StoreBigEndianFloat(out + 24, float(ZoomSteps(state.model, state.shownZoomMax)));
    StoreBigEndianFloat(out + 28, 1.0f);
    uint8_t flags = 0;
    if (state.statusBit3 || state.sharing) flags |= 0x1;
    if (state.external) flags |= 0x2;
    if (state.extendedStatus) flags |= 0x4;
    if ((state.features & kFeatureAutoImage) && state.autoImage) flags |= 0x8;
    out[32] = flags;
}

std::string SharingServiceName(const std::string& asked, const std::string& localEntry)
{
    std::string name = asked == localEntry ? asked + " (2)" : asked;
    while (name.size() > kMaxLabelBytes) {
        // Back over continuation bytes to the start of the last character.
        size_t last = name.size() - 1;
        while (last > 0 && (uint8_t(name[last]) & 0xC0) == 0x80) --last;
        name.resize(last);
    }
    return name;
}

uint32_t DrawSharingPort(const std::set<uint32_t>& taken, int (*draw)())
{
    // Every port taken cannot happen on a real network; the bound only
    // keeps the loop finite.
    uint32_t port = 0;
    for (int tries = 0; tries < 100000; ++tries) {
        port = uint32_t(draw() % 20000 + 7000);
        if (!taken.count(port)) break;
    }
    return port;
}

bool BrowsedServices::Add(const ServiceRecord& record)
{
    auto found = m_services.find(record.name);
    if (found == m_services.end()) {
        m_services[record.name] = Entry{record, {record.interfaceIndex}};
        return true;
    }
    found->second.record = record;
    found->second.interfaces.insert(record.interfaceIndex);
    return false;
}

bool BrowsedServices::Remove(const std::string& name, uint32_t interfaceIndex)
{
    auto found = m_services.find(name);
    if (found == m_services.end()) return false;
    found->second.interfaces.erase(interfaceIndex);
    if (!found->second.interfaces.empty()) return false;
    m_services.erase(found);
    return true;
}

const ServiceRecord* BrowsedServices::Find(const std::string& name) const
{
    auto found = m_services.find(name);
    return found == m_services.end() ? nullptr : &found->second.record;
}

std::string RegistrationReplyLine(int32_t error, const char* name, const char* type, const char* domain)
{
    // DNS-SD's code for a name another host holds.
    const int32_t kNameConflict = -65548;
    std::string line = "Got a reply for ";
    line += name ? name : "";
    line += ".";
    line += type ? type : "";
    line += domain ? domain : "";
    line += ": ";
    if (error == 0) {
        line += "Name now registered and active";
    } else if (error == kNameConflict) {
        line += "Name in use, please choose another";
    } else {
        char code[32];
        snprintf(code, sizeof code, "Error %d", static_cast<int>(error));
        line += code;
    }
    return line + "\n";
}
