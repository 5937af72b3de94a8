// The control bar and the settings dialog in this process: the network
// button by the machine's "bIsMurnelIst", the buttons that need a picture,
// the collapsed strip, and the settings dialog driven as a user drives it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "CommandIds.h"
#include "ControlPanel.h"
#include "CopyDialog.h"
#include "PanelTestSupport.h"
#include "SettingDialog.h"
#include "SkinIds.h"

using paneltest::DialogDriver;
using paneltest::FakeHost;

namespace {

const wchar_t kMachineKey[] = L"SOFTWARE\\ORBILE2";

// The bar under a skinned owner window, as the main window makes it.
class BarFixture : public ::testing::Test {
protected:
    BarFixture() : bar(host) { owner.CreateView(L"owner", 50, 50, 667, 570, nullptr, 0); }

    void CreateBar()
    {
        bar.m_owner = &owner;
        bar.m_dockState = CBasePanel::DOCK_BELOW;
        bar.SetPanelStyle(PANEL_STYLE_DRAG);
        HBITMAP face = LoadBitmapW(host.SkinLibrary(), MAKEINTRESOURCEW(SKIN_BAR_FACE_FULL));
        ASSERT_TRUE(bar.CreatePanel(L"", 0, 0, &owner, nullptr, face, KVQ_TRANSPARENT, TRUE));
        bar.SetWindowPos(nullptr, 0, 0, CControlPanel::kWidth, CControlPanel::kRowsHeight,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The width of the bar's window shape.
    int ShapeWidth()
    {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetWindowRgn(bar.m_hWnd, region);
        RECT box{};
        GetRgnBox(region, &box);
        DeleteObject(region);
        return box.right - box.left;
    }

    FakeHost host;
    KVQWindow owner;
    CControlPanel bar;
};

struct MachineValue {
    const char* name;
    bool keyExists;
    DWORD type;
    std::basic_string<BYTE> data;  // empty with a key: no value
    bool enabled;
};

void SetMachineValue(const MachineValue& c)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMachineKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMachineKey);
    if (!c.keyExists) return;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kMachineKey, &key), ERROR_SUCCESS);
    if (!c.data.empty()) RegSetValueExW(key, L"bIsMurnelIst", 0, c.type, c.data.data(), DWORD(c.data.size()));
    RegCloseKey(key);
}

TEST(NetworkButton, FollowsTheDiscoveryServiceMark)
{
    const MachineValue cases[] = {
        {"no key", false, REG_NONE, {}, false},
        {"no value", true, REG_NONE, {}, false},
        {"0", true, REG_DWORD, {0, 0, 0, 0}, false},
        {"1", true, REG_DWORD, {1, 0, 0, 0}, true},
        {"five bytes", true, REG_BINARY, {1, 0, 0, 0, 0}, false},
        {"four bytes, not a number", true, REG_BINARY, {1, 0, 0, 0}, false},
        {"a text", true, REG_SZ, {'1', 0, 0, 0}, false},
    };
    for (const MachineValue& c : cases) {
        SCOPED_TRACE(c.name);
        SetMachineValue(c);
        EXPECT_EQ(IsDiscoveryServiceInstalled(), c.enabled);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, kMachineKey, &key), ERROR_SUCCESS) << "the key exists afterwards";
        if (key) RegCloseKey(key);
    }
    // The bar's button as it starts, both ways.
    for (const MachineValue& c : {cases[3], cases[4]}) {
        SCOPED_TRACE(c.name);
        SetMachineValue(c);
        FakeHost host;
        CControlPanel bar(host);
        HBITMAP face = LoadBitmapW(host.SkinLibrary(), MAKEINTRESOURCEW(SKIN_BAR_FACE_FULL));
        ASSERT_TRUE(bar.CreatePanel(L"", 0, 0, nullptr, nullptr, face, KVQ_TRANSPARENT, TRUE));
        EXPECT_EQ(bar.Button(CControlPanel::NETWORK).IsWindowEnabled() != FALSE, c.enabled);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMachineKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMachineKey);
}

TEST_F(BarFixture, RecordSnapshotAndPrintNeedAPicture)
{
    CreateBar();
    for (bool source : {false, true, false}) {
        host.pictureSource = source;
        bar.RefreshBarButtons();
        for (CControlPanel::Control control :
             {CControlPanel::START_RECORDING, CControlPanel::SNAPSHOT, CControlPanel::PRINT})
            EXPECT_EQ(bar.Button(control).IsWindowEnabled() != FALSE, source) << control;
        EXPECT_TRUE(bar.Button(CControlPanel::CAMERA_PANEL).IsWindowEnabled());
    }
}

TEST_F(BarFixture, CollapsesToAStripAndExpandsToItsFullShape)
{
    CreateBar();
    EXPECT_EQ(ShapeWidth(), 667);
    EXPECT_TRUE(bar.OnButtonEvent(ID_COLLAPSE_BAR));
    EXPECT_EQ(ShapeWidth(), 64);
    EXPECT_TRUE(bar.Button(CControlPanel::EXPAND).IsWindowVisible());
    EXPECT_FALSE(bar.Button(CControlPanel::COLLAPSE).IsWindowVisible());
    EXPECT_FALSE(bar.Button(CControlPanel::CAMERA_PANEL).IsWindowVisible());
    EXPECT_TRUE(bar.Button(CControlPanel::GRIP).IsWindowVisible());

    EXPECT_TRUE(bar.OnButtonEvent(ID_EXPAND_BAR));
    EXPECT_EQ(ShapeWidth(), 667);
    EXPECT_FALSE(bar.Button(CControlPanel::EXPAND).IsWindowVisible());
    EXPECT_TRUE(bar.Button(CControlPanel::COLLAPSE).IsWindowVisible());
    EXPECT_TRUE(bar.Button(CControlPanel::CAMERA_PANEL).IsWindowVisible());
    EXPECT_FALSE(bar.Button(CControlPanel::GRIP).IsWindowVisible());
    EXPECT_EQ(bar.Button(CControlPanel::FREEHAND).GetCheckState(), 1) << "the last tool comes back";
}

TEST_F(BarFixture, PanelButtonsGoToTheMainWindowAndStayChecked)
{
    CreateBar();
    EXPECT_TRUE(bar.OnButtonEvent(ID_CAMERA_PANEL));
    EXPECT_EQ(host.mainCommands, std::vector<unsigned short>{ID_CAMERA_PANEL});
    EXPECT_EQ(bar.Button(CControlPanel::CAMERA_PANEL).GetCheckState(), 1);
    EXPECT_EQ(bar.LastToolCommand(), ID_CAMERA_PANEL);
    // Opened: a second press closes the panel and leaves the button unchecked.
    bar.SetWindowPos(nullptr, 0, 0, CControlPanel::kWidth, CControlPanel::kOpenHeight, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(bar.OnButtonEvent(ID_CAMERA_PANEL));
    EXPECT_EQ(bar.Button(CControlPanel::CAMERA_PANEL).GetCheckState(), 0);
    EXPECT_FALSE(bar.OnButtonEvent(ID_START_RECORDING)) << "no recorder here";
}

void MoveTrackBar(HWND dialog, int id, int position)
{
    HWND bar = GetDlgItem(dialog, id);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

int IntervalMax(HWND dialog) { return int(SendDlgItemMessageW(dialog, 1051, TBM_GETRANGEMAX, 0, 0)); }

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

TEST_F(BarFixture, SettingsDialogOffersIntervalsUpToTheTotalAndCommitsOnlyOnOk)
{
    CreateBar();
    host.settings.savingPath = L"C:\\";
    host.settings.savingName = L"pic";
    host.settings.captureMode = 1;
    host.settings.totalTimeIndex = 0;  // 1 minute
    host.settings.intervalIndex = 3;

    int maxAtOneMinute = -1, typedLength = -1;
    {
        DialogDriver user([&](HWND dialog) {
            maxAtOneMinute = IntervalMax(dialog);
            HWND name = GetDlgItem(dialog, 1049);
            SetWindowTextW(name, L"");
            for (int i = 0; i < 25; ++i) SendMessageW(name, WM_CHAR, 'x', 0);
            typedLength = GetWindowTextLengthW(name);
            MoveTrackBar(dialog, 1047, 9);  // 80 minutes
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(bar.OnButtonEvent(ID_SETTINGS));
        EXPECT_TRUE(user.Found());
    }
    EXPECT_EQ(maxAtOneMinute, 7);
    EXPECT_EQ(typedLength, CSettingDialog::kNameLength);
    EXPECT_EQ(host.settingsApplied, 0) << "Cancel changes nothing";

    host.settings.totalTimeIndex = 9;  // 80 minutes
    int maxOpened = -1, maxMoved = -1;
    std::wstring badNameWarning;
    {
        DialogDriver user([&](HWND dialog) {
            maxOpened = IntervalMax(dialog);
            MoveTrackBar(dialog, 1047, 9);
            maxMoved = IntervalMax(dialog);
            MoveTrackBar(dialog, 1051, 2);
            SetDlgItemTextW(dialog, 1049, L"a:b");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            badNameWarning = ItemText(dialog, 1060);
            SetDlgItemTextW(dialog, 1049, L"lesson");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(bar.OnButtonEvent(ID_SETTINGS));
    }
    EXPECT_EQ(maxOpened, 17) << "2 hours: the first interval not below 80 minutes";
    EXPECT_EQ(maxMoved, 16) << "1 hour: the last interval not above 80 minutes";
    EXPECT_NE(badNameWarning.find(L"can't contain"), std::wstring::npos) << "the name with ':' stays refused";
    ASSERT_EQ(host.settingsApplied, 1);
    EXPECT_EQ(std::wstring(host.settings.savingName), L"lesson");
    EXPECT_EQ(host.settings.totalTimeIndex, 9);
    EXPECT_EQ(host.settings.intervalIndex, 2);
}

TEST_F(BarFixture, SettingsDialogWarnsWhenTheFolderCannotBeRead)
{
    CreateBar();
    host.settings.savingPath = L"Q:\\no such folder\\at all";
    std::wstring warning;
    {
        DialogDriver user([&](HWND dialog) {
            warning = ItemText(dialog, 1060);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        bar.OnButtonEvent(ID_SETTINGS);
    }
    EXPECT_NE(warning.find(L"cannot be read"), std::wstring::npos);

    host.settings.savingPath = L"C:\\";
    {
        DialogDriver user([&](HWND dialog) {
            warning = ItemText(dialog, 1060);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        bar.OnButtonEvent(ID_SETTINGS);
    }
    EXPECT_EQ(warning, L"") << "room enough on the system drive";
}

TEST(WindowPlace, SavedInScreenCoordinatesWhateverTheWorkArea)
{
    const RECT normal{100, 40, 767, 610};
    const WindowPlace plain = WindowPlace::FromWorkspace(normal, POINT{0, 0});
    EXPECT_EQ(plain.x, 100);
    EXPECT_EQ(plain.y, 40);
    EXPECT_EQ(plain.width, 667);
    EXPECT_EQ(plain.height, 570);
    const WindowPlace belowTaskbar = WindowPlace::FromWorkspace(normal, POINT{0, 30});
    EXPECT_EQ(belowTaskbar.y, 70) << "a taskbar at the top moves the work area down";
    const WindowPlace rightOfTaskbar = WindowPlace::FromWorkspace(normal, POINT{60, 0});
    EXPECT_EQ(rightOfTaskbar.x, 160);
}

}  // namespace

namespace {

TEST(CopyNotice, ItsCheckBoxTurnsTheHintsOff)
{
    struct Case {
        bool showHints;
        bool click;
        bool result;
    } cases[] = {{true, false, true}, {true, true, false}, {false, false, false}, {false, true, true}};
    for (const Case& c : cases) {
        CCopyDialog notice(c.showHints);
        std::wstring text;
        {
            DialogDriver user([&](HWND dialog) {
                wchar_t copied[128] = L"";
                GetDlgItemTextW(dialog, 1006, copied, 128);
                text = copied;
                if (c.click) SendDlgItemMessageW(dialog, 1007, BM_CLICK, 0, 0);
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            });
            notice.DoModal();
        }
        EXPECT_EQ(notice.Result(), c.result) << c.showHints << c.click;
        EXPECT_EQ(text, L"textCopied") << "the key stands in without a language file";
    }
}

}  // namespace
