#pragma once

// The simulated camera on the device library's direct USB road, as the live
// path's tests and measurements use it.
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "DeviceIo.h"
#include "kvqcapturegraph.h"
#include "SimDeviceIo.h"

namespace simframes {

// A JPEG as a fixed-size ring frame of the direct road: the picture, zero
// padding, and an end marker in the last bytes, so the frame reads as whole.
inline void PaddedPictureFrame(uint32_t number, uint8_t* out, uint32_t size)
{
    simcam::PictureFrame(number, out, size);
    out[size - 2] = 0xFF;
    out[size - 1] = 0xD9;
}

// Pictures at a steady rate: each frame is ready at its own slot of a fixed
// clock, so the time the reader takes does not slow the camera down.
inline simcam::FrameSource PacedPictureFrames(int framesPerSecond)
{
    const auto period = std::chrono::microseconds(1000000 / framesPerSecond);
    auto next = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    return [period, next](uint32_t number, uint8_t* out, uint32_t size) {
        *next = std::max(*next + period, std::chrono::steady_clock::now() - period);
        std::this_thread::sleep_until(*next);
        PaddedPictureFrame(number, out, size);
    };
}

// Installs the simulated device as the system's only camera (no DirectShow
// devices) for the rig's lifetime; controllers made meanwhile discover it.
class DirectRoad {
public:
    explicit DirectRoad(simcam::SimDeviceIo& io)
    {
        io.directUsbPresent = true;
        io.frameSource = PaddedPictureFrame;
        devicelib::InstallDeviceIo(&io);
        devicelib::InstallPacer(&io);
        devicelib::InstallCaptureGraphFactory(NoCaptureGraph);
    }
    ~DirectRoad()
    {
        devicelib::InstallDeviceIo(nullptr);
        devicelib::InstallPacer(nullptr);
        devicelib::InstallCaptureGraphFactory(nullptr);
    }
    DirectRoad(const DirectRoad&) = delete;
    DirectRoad& operator=(const DirectRoad&) = delete;

private:
    static std::unique_ptr<devicelib::CaptureGraph> NoCaptureGraph() { return nullptr; }
};

}  // namespace simframes
