#pragma once
// The camera side of the source for the protocol tests: a small synthetic
// picture whose every pixel says where it is, and a record of what the
// protocol asked of the device.
#include <vector>

#include "TwainSource.h"

class FakeDevice : public ISourceDevice {
public:
    FakeDevice(int width = 64, int height = 48) : width(width), height(height) {}

    bool StartSourceUI(TW_HANDLE, bool showUI) override
    {
        ++starts;
        lastShowUI = showUI;
        running = startSucceeds;
        return startSucceeds;
    }
    void CloseSourceUI() override
    {
        ++closes;
        running = false;
    }
    bool WaitForLivePicture() override { return pictureArrives; }
    bool CopyLivePicture(std::vector<unsigned char>& pixels, BgrPlane& plane) override
    {
        if (!hasPicture) return false;
        const int stride = BgrStride(width);
        pixels.assign(std::size_t(stride) * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &pixels[std::size_t(y) * stride + 3 * x];
                const Pixel c = At(x, height - 1 - y);  // rows bottom-up
                p[0] = c.b, p[1] = c.g, p[2] = c.r;
            }
        plane = BgrPlane{pixels.data(), width, height, stride};
        return true;
    }
    bool LivePictureSize(int& w, int& h) override
    {
        w = width, h = height;
        return hasPicture;
    }
    void NotifyApplication(TW_UINT16 message) override { notifications.push_back(message); }

    struct Pixel {
        unsigned char r, g, b;
    };
    // The picture, top row 0: red grows to the right, green downwards, blue
    // marks the left half; the right half is brighter than the threshold.
    static Pixel At(int x, int y)
    {
        return Pixel{(unsigned char)(x * 3), (unsigned char)(y * 5), (unsigned char)(x < 32 ? 10 : 250)};
    }

    int width, height;
    bool startSucceeds = true;
    bool pictureArrives = true;
    bool hasPicture = true;
    bool running = false;
    bool lastShowUI = false;
    int starts = 0;
    int closes = 0;
    std::vector<TW_UINT16> notifications;
};
