// The network panel's serving side in this process: a viewer's command that
// the command server's thread receives is carried out on the UI thread (or
// dropped when the UI thread does not take it in time), and a viewer's
// large still ends at once when the camera refuses it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "CommandIds.h"
#include "NetworkPanel.h"
#include "PanelTestSupport.h"
#include "SkinButton.h"

using paneltest::FakeHost;
using paneltest::Pump;

namespace {

class RecordingNetworkHost : public INetworkHost {
public:
    const CNetWorkPanel* panel = nullptr;
    std::vector<unsigned short> pressed;
    std::vector<DWORD> pressThreads;
    // Whether the panel said, at each press, that a viewer's command runs.
    std::vector<bool> pressMarks;
    bool stillGranted = false;
    int stillTaken = 0;

    void SetImageProvider(std::unique_ptr<Telvane::MulticastImageProvider>) override {}
    bool EncodeCurrentFrame(std::vector<uint8_t>&, int) override { return false; }
    bool RequestLargeStill() override { return stillGranted; }
    bool TakeLargeStill(std::vector<uint8_t>&, DWORD) override
    {
        ++stillTaken;
        return false;
    }
    void ShowRemoteCamera(IRemoteCamera*) override {}
    void ShowRemotePicture(CFrameBuffer&, DWORD) override {}
    IRemoteAnnotations* RemoteAnnotations() override { return nullptr; }
    void PressCameraButton(unsigned short id) override
    {
        pressed.push_back(id);
        pressThreads.push_back(GetCurrentThreadId());
        pressMarks.push_back(panel && panel->CarriesOutViewerCommand());
    }
};

class NetworkPanelFixture : public ::testing::Test {
protected:
    NetworkPanelFixture() : panel(host, network)
    {
        parent.CreateEx(0, CWnd::RegisterWndClass(0), L"panel host", WS_POPUP, 0, 0, 700, 400, nullptr, nullptr);
        const ButtonImages images = PanelImages(SKIN_PANEL_BACKGROUND);
        EXPECT_TRUE(CreateSkinButton(panel, host.SkinLibrary(), images, BUTTON_STYLE_MOUSE, 0, 0, &parent, &parent, 0));
        panel.CreateControls(0);
        network.panel = &panel;
    }

    // Runs work on a thread of its own, as the command server does, while
    // this (the UI) thread handles its messages; false when it did not end.
    bool FromServerThread(const std::function<void()>& work, bool pump = true)
    {
        std::atomic<bool> done{false};
        std::thread server([&] {
            work();
            done = true;
        });
        const DWORD start = GetTickCount();
        while (!done && GetTickCount() - start < 2 * CNetWorkPanel::kUiWaitMs) {
            if (pump) Pump();
            Sleep(5);
        }
        server.join();
        return done;
    }

    FakeHost host;
    RecordingNetworkHost network;
    CWnd parent;
    CNetWorkPanel panel;
};

TEST_F(NetworkPanelFixture, AViewersCameraCommandsArePressesOnTheUiThread)
{
    const struct {
        char code;
        unsigned short cameraButton;  // 0: none
        unsigned short mainCommand;   // 0: none
    } cases[] = {
        {'+', ID_ZOOM_IN, 0}, {'f', ID_FREEZE, 0},    {'n', ID_BRIGHTNESS_DOWN, 0},
        {'^', 0, ID_PAN_UP},  {'>', 0, ID_PAN_RIGHT}, {'z', 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        network.pressed.clear();
        network.pressThreads.clear();
        host.mainCommands.clear();
        ASSERT_TRUE(FromServerThread([&] { panel.onDocCamCmd(uint8_t(c.code), 0, 0, 0); }));
        EXPECT_EQ(c.cameraButton ? std::vector<unsigned short>{c.cameraButton} : std::vector<unsigned short>{},
                  network.pressed);
        for (DWORD thread : network.pressThreads) EXPECT_EQ(GetCurrentThreadId(), thread);
        EXPECT_EQ(c.mainCommand ? std::vector<unsigned short>{c.mainCommand} : std::vector<unsigned short>{},
                  host.mainCommands);
    }
}

// The mark keeps a viewer's press on this console's own camera, even while
// this console views another.
TEST_F(NetworkPanelFixture, AViewersPressIsMarkedAsSuchWhileItIsCarriedOut)
{
    EXPECT_FALSE(panel.CarriesOutViewerCommand());
    for (char code : {'+', 'm', '^'}) ASSERT_TRUE(FromServerThread([&] { panel.onDocCamCmd(uint8_t(code), 0, 0, 0); }));
    EXPECT_EQ((std::vector<bool>{true, true}), network.pressMarks) << "zoom and mirror are camera presses";
    EXPECT_FALSE(panel.CarriesOutViewerCommand()) << "the mark ends with the command";
}

TEST_F(NetworkPanelFixture, ACommandTheUiThreadDoesNotTakeInTimeIsDropped)
{
    ASSERT_TRUE(FromServerThread([&] { panel.onDocCamCmd('+', 0, 0, 0); }, false))
        << "the command server's thread is not held by a busy UI thread";
    Pump();
    EXPECT_TRUE(network.pressed.empty()) << "a dropped command is not carried out later";
}

TEST_F(NetworkPanelFixture, ALargeStillTheCameraRefusesEndsWithoutWaiting)
{
    Telvane::HighQualitySnapshotCmd command;
    network.stillGranted = false;
    ASSERT_TRUE(FromServerThread([&] { panel.onHighQualitySnapshot(&command); }));
    EXPECT_EQ(0, network.stillTaken);

    network.stillGranted = true;
    ASSERT_TRUE(FromServerThread([&] { panel.onHighQualitySnapshot(&command); }));
    EXPECT_EQ(1, network.stillTaken) << "a granted still is waited for (within its bound)";
}

// Unplugged, the local camera leaves the source list and nothing of it can be
// shared; the entry comes back at the top when the camera does.
TEST_F(NetworkPanelFixture, TheLocalEntryAndSharingFollowTheLocalCamera)
{
    HWND list = GetDlgItem(panel, CNetWorkPanel::ID_SERVER_LIST), share = GetDlgItem(panel, ID_SHARING);
    HWND status = GetDlgItem(panel, CNetWorkPanel::ID_STATUS);
    auto text = [](HWND window) {
        wchar_t buffer[200] = L"";
        GetWindowTextW(window, buffer, 200);
        return std::wstring(buffer);
    };
    ASSERT_EQ(1, SendMessageW(list, LB_GETCOUNT, 0, 0));
    KVQDocCamController camera;
    camera.m_status.modelCode = 0x60;
    host.controller = &camera;
    panel.OnButtonEvent(ID_SHARING);
    ASSERT_TRUE(panel.IsSharing());

    panel.RemoveLocalEntry();
    panel.ShowLocalCameraPresence(false);
    EXPECT_FALSE(panel.IsSharing());
    host.controller = nullptr;
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"Usb unconnected", text(status));
    EXPECT_FALSE(IsWindowEnabled(share));

    panel.ShowLocalCameraPresence(true);
    ASSERT_EQ(1, SendMessageW(list, LB_GETCOUNT, 0, 0));
    wchar_t entry[32] = L"";
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(L"this", entry);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCURSEL, 0, 0)) << "the local camera is chosen again";
    EXPECT_EQ(L"", text(status));
    EXPECT_TRUE(IsWindowEnabled(share));
}

}  // namespace
