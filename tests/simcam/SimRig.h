// Puts a simulated camera behind the device library for one test: installs
// the simulated device seam and pacer, attaches controllers to the camera on
// the chosen transport, and restores the library's process state afterwards.
// Declare the rig before the controllers so that they are destroyed first.
#pragma once

#include <memory>

#include "SimCamera.h"
#include "SimDeviceIo.h"

class KVQDocCamController;
namespace devicelib {
class DirectUsbDevice;
}

namespace simcam {

enum class Transport { kDirectUsb, kKsProperty, kDirectShow };

const char* TransportName(Transport transport);

class SimRig {
public:
    explicit SimRig(Transport transport, uint8_t modelCode = 0x60);
    ~SimRig();
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    // Claims the camera as entry 0 for controller and makes it current, as
    // attaching does, without sending anything.
    void Attach(KVQDocCamController& controller);

    SimCamera camera;
    SimDeviceIo io;
    const Transport transport;

private:
    std::unique_ptr<devicelib::DirectUsbDevice> directUsb_;
};

}  // namespace simcam
