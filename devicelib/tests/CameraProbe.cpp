// camera_probe [entry] [seconds]: lists the cameras the device library
// finds, attaches one, prints its model and configuration and counts its
// frames for a while. A test tool, not part of the product.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "kvqdoccam.h"

namespace {

std::atomic<int> g_frames{0};
std::atomic<int> g_width{0}, g_height{0}, g_length{0};

void CountFrame(unsigned char*, int width, int height, int length)
{
    g_width = width;
    g_height = height;
    g_length = length;
    ++g_frames;
}

}  // namespace

int main(int argc, char** argv)
{
    const int entry = argc > 1 ? std::atoi(argv[1]) : 0;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 3;
    KVQDocCamController camera;
    const int devices = KVQDocCamController::GetDevices();
    std::printf("cameras found: %d\n", devices);
    for (int i = 0; i < devices; ++i) {
        const DOCCAM_INSTANCE* device = KVQDocCamController::GetDevice(i);
        std::printf("  [%d] DirectShow index %d, commands by %s\n", i, device->dsIndex,
                    device->path     ? "kernel-streaming property"
                    : device->filter ? "capture pin"
                                     : "direct USB");
    }
    if (entry >= devices || !camera.AttachDevice(entry, 1)) {
        std::printf("can not attach camera %d\n", entry);
        return 1;
    }
    std::printf("attached camera %d: model 0x%02X \"%ls\", feature word 0x%08lX\n", entry, camera.m_status.modelCode,
                camera.GetDocCamModelName(0), camera.GetDocCamModelFeature(0));
    std::printf("configuration read: %s\n", camera.GetAllConfig() ? "yes" : "no");
    std::printf("  brightness %d, contrast %d, zoom %d%%, frozen %d, mirror %d, rotate %d, effect %d\n",
                camera.m_status.brightness, camera.m_status.contrast, camera.GetZoomSize(0), camera.m_status.frozen,
                camera.m_status.mirror, camera.m_status.rotate, camera.m_status.effect);
    const int resolution = camera.SetResolution(RES_1024x768);
    std::printf("resolution 1024x768: %s%s\n", resolution ? "set" : "refused",
                (camera.m_feature & 0x80000000ul) ? " (YUY2)" : "");
    if (!camera.SetCallbackFunction(CountFrame) || !camera.StartCapture()) {
        std::printf("can not start the capture\n");
        return 1;
    }
    Sleep(seconds * 1000);
    camera.Stop();
    std::printf("frames in %d s: %d (%.1f per second), last %dx%d, %d bytes\n", seconds, g_frames.load(),
                g_frames.load() / double(seconds), g_width.load(), g_height.load(), g_length.load());
    return 0;
}
