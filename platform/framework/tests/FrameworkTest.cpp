// The framework under the skinned classes: handle map, subclassing,
// reflection, the application's loop and profile, dialogs.
#include <gtest/gtest.h>
#include <kvqframe.h>
#include <testsupport/WindowDriving.h>

#include <vector>

namespace {

class LoopApp : public CWinApp {
public:
    LoopApp() : CWinApp(L"FrameworkTests") {}
    BOOL OnIdle(LONG count) override
    {
        idleCounts.push_back(count);
        if (count == 1) ::PostQuitMessage(7);
        return CWinApp::OnIdle(count);
    }
    int ExitInstance() override { return CWinApp::ExitInstance() + 100; }
    std::vector<LONG> idleCounts;
};
LoopApp g_app;

// Consumes the keys of its family, as a window with accelerators would.
class KeyEater : public testsupport::Host {
public:
    BOOL PreTranslateMessage(MSG* msg) override { return msg->message == WM_KEYDOWN; }
};

// A label that makes itself report clicks when bound, as the control
// library's link does.
class NotifyingLabel : public CStatic {
public:
    void PreSubclassWindow() override { ModifyStyle(0, SS_NOTIFY); }
};

class AboutBox : public CDialog {
public:
    AboutBox() : CDialog(100) {}
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1002, link); }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        linkedAtInit = link.m_hWnd != nullptr && (link.GetStyle() & SS_NOTIFY);
        PostMessage(WM_COMMAND, IDOK);
        return TRUE;
    }
    NotifyingLabel link;
    bool linkedAtInit = false;
};

}  // namespace

TEST(Framework, SubclassedControlKeepsItsOwnHandling)
{
    testsupport::Host host;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, host.m_hWnd, nullptr,
                                  nullptr, nullptr);
    struct Counting : CWnd {
        LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override
        {
            settext += m == WM_SETTEXT;
            return CWnd::WindowProc(m, w, l);
        }
        int settext = 0;
    } control;
    ASSERT_TRUE(control.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), &control);
    control.SetWindowText(L"xyz");
    EXPECT_EQ(control.settext, 1);
    EXPECT_EQ(control.GetWindowText(), L"xyz");  // the edit control's own handling ran
    EXPECT_EQ(control.UnsubclassWindow(), edit);
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr);
    ::DestroyWindow(edit);
}

TEST(Framework, DestroyedWindowLeavesTheMap)
{
    auto* wnd = new testsupport::Host;
    HWND handle = wnd->m_hWnd;
    ASSERT_EQ(CWnd::FromHandlePermanent(handle), wnd);
    wnd->DestroyWindow();
    EXPECT_EQ(wnd->m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(handle), nullptr);
    delete wnd;
}

TEST(Framework, PreTranslateWalksFromTheTargetUpToTheMainWindow)
{
    KeyEater top;
    testsupport::Host child;
    ::SetParent(child.m_hWnd, top.m_hWnd);
    ::SetWindowLongW(child.m_hWnd, GWL_STYLE, WS_CHILD | WS_VISIBLE);
    g_app.m_pMainWnd = &top;
    MSG key{child.m_hWnd, WM_KEYDOWN, 'A', 0, 0, {}};
    MSG click{child.m_hWnd, WM_LBUTTONDOWN, 0, 0, 0, {}};
    EXPECT_TRUE(g_app.PreTranslateMessage(&key));
    EXPECT_FALSE(g_app.PreTranslateMessage(&click));
    g_app.m_pMainWnd = nullptr;
    ::SetParent(child.m_hWnd, nullptr);
}

TEST(Framework, RunIdlesThenDispatchesUntilQuit)
{
    testsupport::Host host;
    host.PostMessage(WM_COMMAND, 5);
    EXPECT_EQ(g_app.Run(), 107);  // WM_QUIT's code through ExitInstance
    EXPECT_EQ(host.commands.size(), 1u);
    ASSERT_GE(g_app.idleCounts.size(), 2u);
    EXPECT_EQ(g_app.idleCounts[0], 0);
    EXPECT_EQ(g_app.idleCounts[1], 1);
}

TEST(Framework, ProfileLivesUnderTheCompanyKey)
{
    EXPECT_EQ(g_app.GetProfileInt(L"Settings", L"Width", 667), 667u);  // no company key yet
    EXPECT_FALSE(g_app.WriteProfileInt(L"Settings", L"Width", 1));
    g_app.SetRegistryKey(L"OrbileFrameworkTest");
    ASSERT_TRUE(g_app.WriteProfileInt(L"Settings", L"Width", 800));
    ASSERT_TRUE(g_app.WriteProfileString(L"Settings", L"SavingName", L"pic"));
    EXPECT_EQ(g_app.GetProfileInt(L"Settings", L"Width", 667), 800u);
    EXPECT_EQ(g_app.GetProfileInt(L"Settings", L"Height", 570), 570u);
    EXPECT_EQ(g_app.GetProfileString(L"Settings", L"SavingName"), L"pic");
    EXPECT_EQ(g_app.GetProfileString(L"Settings", L"None", L"dflt"), L"dflt");
    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\OrbileFrameworkTest\\FrameworkTests\\Settings", L"Width",
                             RRF_RT_REG_DWORD, nullptr, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 800u);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\OrbileFrameworkTest");
}

TEST(Framework, ModalDialogFromItsTemplateBindsItsControls)
{
    AboutBox about;
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_TRUE(about.linkedAtInit);
    EXPECT_EQ(about.m_hWnd, nullptr);

    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(Framework, ModelessDialogEndsByDestroyingItself)
{
    CDialog box;
    ASSERT_TRUE(box.Create(100));
    HWND wnd = box.m_hWnd;
    ASSERT_NE(wnd, nullptr);
    MSG tab{::GetDlgItem(wnd, IDOK), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(box.PreTranslateMessage(&tab));  // the dialog manager's keys
    box.SendMessage(WM_COMMAND, IDCANCEL);
    EXPECT_FALSE(::IsWindow(wnd));
}
