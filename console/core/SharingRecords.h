#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

// What a sharing console tells its viewers about its camera: the capability
// record a viewer asks for once and the state block that travels with every
// picture. Bytes the records leave unused are sent as zero.

// The camera facts the capability record is made of.
struct SharedCameraFacts {
    int model = 0;               // the model byte without its top bit
    int zoomMax = 0;             // the controller's zoom maximum (100 = 1x)
    unsigned long features = 0;  // the model's feature bits
    int brightnessMax = 0;       // the controller's brightness maximum
};

enum { kCapabilityReplyBytes = 8, kCapabilityReplyV2Bytes = 32, kCameraStateHeaderBytes = 64 };

// Zoom factors A and B and the zoom steps of a model; steps from the given
// zoom maximum where the model has no fixed count.
uint8_t ZoomFactorA(int model);
uint8_t ZoomFactorB(int model);
uint8_t ZoomSteps(int model, int zoomMax);

void BuildCapabilityReply(const SharedCameraFacts& facts, uint8_t out[kCapabilityReplyBytes]);
void BuildCapabilityReplyV2(uint8_t out[kCapabilityReplyV2Bytes]);

// The camera's state as the picture shows it.
struct SharedCameraState {
    int model = 0;
    unsigned long features = 0;
    int brightness = 0;
    int zoomSize = 100;  // 100 = 1x
    int digitalZoomSize = 100;
    int shownZoomMax = 100;  // the zoom maximum the main window shows
    uint8_t rotation = 0;
    uint8_t mirror = 0;
    bool frozen = false;
    uint8_t colourMode = 0;
    uint8_t whiteBalanceMode = 0;  // 0 automatic
    uint8_t exposureMode = 0;      // 0 automatic
    bool controllable = false;
    bool motion = false;
    bool statusBit3 = false;  // the camera's status byte 17 bit 3
    bool sharing = false;
    bool external = false;
    bool extendedStatus = false;
    bool autoImage = false;
};

void BuildCameraStateHeader(const SharedCameraState& state, uint8_t out[kCameraStateHeaderBytes]);

// The name a console announces: the name asked for (UTF-8), " (2)" added when
// it equals the local entry's text (which the list already shows), cut a
// whole character at a time to the 63 bytes a DNS label holds.
std::string SharingServiceName(const std::string& asked, const std::string& localEntry);

// The line printed to standard output when DNS-SD answers the registration
// of name.type.domain with this error code (0: registered).
std::string RegistrationReplyLine(int32_t error, const char* name, const char* type, const char* domain);

// A multicast port in 7000..26999 that no other sharing console uses; draw
// returns the next random number.
uint32_t DrawSharingPort(const std::set<uint32_t>& taken, int (*draw)());

// One service the browse reported.
struct ServiceRecord {
    uint32_t interfaceIndex = 0;
    uint32_t flags = 0;
    std::string name;
    std::string type;
    std::string domain;
};

// The services a browse reported as there, by name. A service reached over
// several interfaces is reported once per interface: it stays until every
// one of them reported it gone.
class BrowsedServices {
public:
    // True when the name was not there before.
    bool Add(const ServiceRecord& record);
    // True when the name is gone now.
    bool Remove(const std::string& name, uint32_t interfaceIndex);
    const ServiceRecord* Find(const std::string& name) const;
    size_t Count() const { return m_services.size(); }

private:
    struct Entry {
        ServiceRecord record;
        std::set<uint32_t> interfaces;
    };
    std::map<std::string, Entry> m_services;
};
