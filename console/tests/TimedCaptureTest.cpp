// The main window's capture series against the live path and the simulated
// camera on its direct road, on a clock of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "LiveFramePath.h"
#include "SimCameraFrames.h"
#include "TimedCapture.h"
#include "kvqdoccam.h"
#include "testsupport/PollUntil.h"

namespace {

const wchar_t kStamp[] = L"2008-Jan-01_Tue_10-00-00";

class QuietHost : public ILiveFrameHost {
public:
    bool IsLocalCameraShown() override { return true; }
    void RequestRepaint() override {}
    void PostLargeFrame(bool) override {}
};

// A folder of its own under the temporary folder, removed with its files.
class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"timed-capture-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((m_path + L"\\*.jpg").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileW((m_path + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(m_path.c_str());
    }
    const std::wstring& Path() const { return m_path; }
    bool Holds(int shot) const
    {
        wchar_t name[64];
        swprintf(name, 64, L"\\pic%ls_%05d.jpg", kStamp, shot);
        return GetFileAttributesW((m_path + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::wstring m_path;
};

class SeriesRig : public ::testing::Test {
protected:
    explicit SeriesRig(bool largeStills) : io(camera), road(io)
    {
        if (largeStills) {
            // The camera's capability answers name the large-still feature.
            camera.capability = std::array<uint8_t, 3>{0x01, 0, 0};
            camera.capability2 = 0x10;
        }
        controller = std::make_unique<KVQDocCamController>();
        EXPECT_EQ(1, controller->AttachDevice(0, 1));
        EXPECT_EQ(largeStills, (controller->GetDocCamModelFeature(1) & 0x100000) != 0);
        EXPECT_EQ(1, controller->SetResolution(RES_1024x768));
        path.Attach(&host);
        EXPECT_EQ(1, controller->SetCallbackFunction(OnDeviceFrame));
        EXPECT_EQ(1, controller->StartCapture());
        // A whole frame is current.
        testsupport::PollUntil(5000, [this] { return path.FrameCount() >= 2; });
    }
    ~SeriesRig() override
    {
        path.Detach();
        controller.reset();
    }

    simcam::SimCamera camera;
    simcam::SimDeviceIo io;
    simframes::DirectRoad road;
    std::unique_ptr<KVQDocCamController> controller;
    QuietHost host;
    LiveFramePath path;
    DWORD now = 5000;
    TimedCapture series{path, [this] { return now; }};
    ScratchFolder folder;
};

class LargeStillSeries : public SeriesRig {
protected:
    LargeStillSeries() : SeriesRig(true) {}
};

class PlainSeries : public SeriesRig {
protected:
    PlainSeries() : SeriesRig(false) {}
};

TEST_F(LargeStillSeries, EachDueShotAsksTheCameraOnceAndTheArrivedStillIsWritten)
{
    ASSERT_TRUE(series.Start(folder.Path(), L"pic", kStamp, 5, 13));
    for (int shot = 0; shot < 13; ++shot) {
        // The still takes a second to come: twenty ticks meanwhile.
        for (int tick = 0; tick < 20; ++tick, now += 50) series.Tick(controller.get());
        EXPECT_EQ(camera.state.largeStillRequests, shot + 1) << "shot " << shot;
        EXPECT_FALSE(folder.Holds(shot)) << "written only when the still is there";
        series.TakeLargeStill();
        EXPECT_TRUE(folder.Holds(shot));
        now += 5000 - 20 * 50;
    }
    EXPECT_FALSE(series.IsRunning());
    EXPECT_FALSE(folder.Holds(13));
    EXPECT_EQ(camera.state.largeStillRequests, 13);
}

TEST_F(PlainSeries, AnUnwritableFolderIsReportedOnceAndTheSeriesStillEnds)
{
    ASSERT_TRUE(series.Start(folder.Path() + L"\\missing", L"pic", kStamp, 5, 13));
    int reports = 0, shots = 0;
    for (; series.IsRunning() && shots < 100; now += 5000, ++shots) {
        const CaptureSeries::Outcome outcome = series.Tick(nullptr);
        reports += outcome.reportFailure;
        EXPECT_EQ(outcome.ended, shots == 12);
    }
    EXPECT_EQ(shots, 13);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(camera.state.largeStillRequests, 0);
}

TEST_F(PlainSeries, ANameTooLongForAPathStartsNoSeries)
{
    EXPECT_FALSE(series.Start(folder.Path() + L"\\" + std::wstring(240, L'n'), L"pic", kStamp, 5, 13));
    EXPECT_FALSE(series.IsRunning());
    EXPECT_EQ(series.Tick(nullptr).ended, false);
}

}  // namespace
