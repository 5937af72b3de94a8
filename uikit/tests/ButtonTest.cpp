// Skinned button: what each style sends, when, and what it shows.
#include "TestSupport.h"
#include <cstdlib>
#include <memory>
#include <new>

namespace {

const COLORREF kFace = RGB(200, 0, 0), kHover = RGB(0, 0, 200), kDisabled = RGB(90, 90, 90);
const COLORREF kStates[] = {RGB(0, 200, 0), RGB(200, 200, 0), RGB(0, 200, 200)};
const UINT kId = 4321;

// A button whose last press can be dated back, for the 3000 ms hold limit.
class ProbeButton : public KVQButton {
public:
    void AgePress(DWORD ms) { m_pressTime -= ms; }
    int mouseCalls = 0;
    void OnMouse(UINT, CPoint) override { ++mouseCalls; }
};

class ButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { host = new test::Host(20, 20, 300, 200); }
    static void TearDownTestSuite() { delete host; }
    void SetUp() override
    {
        host->commands.clear();
        host->onCommand = nullptr;
        face = test::SolidBitmap(37, 17, kFace);
        hover = test::SolidBitmap(37, 17, kHover);
        disabled = test::SolidBitmap(37, 17, kDisabled);
        for (int i = 0; i < 3; ++i) states[i] = test::SolidBitmap(37, 17, kStates[i]);
    }
    void TearDown() override
    {
        for (HBITMAP b : {hover, disabled, states[0], states[1], states[2]}) ::DeleteObject(b);
    }
    // The button takes the face; the other images stay ours.
    void Create(ProbeButton& button, int style, int count = 1, HBITMAP* stateImages = nullptr)
    {
        ASSERT_TRUE(button.CreateButton(style, 10, 10, host, host, kId, nullptr, face, hover, disabled,
                                        stateImages ? stateImages : states, count, KVQ_TRANSPARENT, FALSE));
        test::Pump();
    }
    static COLORREF Shows(KVQButton& button) { return test::Pixel(button.m_hWnd, 18, 8); }

    static test::Host* host;
    HBITMAP face, hover, disabled, states[3];
};
test::Host* ButtonTest::host = nullptr;

}  // namespace

TEST_F(ButtonTest, PushSendsOnReleaseSynchronouslyWithIdAndZero)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_PUSH);
    test::Press(button.m_hWnd, 5, 5);
    EXPECT_TRUE(host->commands.empty());
    EXPECT_EQ(button.GetHoldState(), 1);
    EXPECT_EQ(Shows(button), kStates[0]);  // held shows the first state image
    test::Release(button.m_hWnd, 5, 5);
    ASSERT_EQ(host->commands.size(), 1u);
    EXPECT_EQ(host->commands[0].wParam, kId);
    EXPECT_EQ(host->commands[0].lParam, 0);
    EXPECT_TRUE(host->commands[0].sent);
    EXPECT_EQ(button.GetHoldState(), 0);
    EXPECT_EQ(button.GetCheckState(), 0);
}

TEST_F(ButtonTest, PressSendsOncePerPressAtThePress)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_PRESS);
    test::Press(button.m_hWnd, 5, 5);
    ASSERT_EQ(host->commands.size(), 1u);
    EXPECT_TRUE(host->commands[0].sent);
    EXPECT_LT(button.GetHoldTime(), 3000u);
    button.AgePress(500);
    EXPECT_GE(button.GetHoldTime(), 500u);
    test::Release(button.m_hWnd, 5, 5);
    EXPECT_EQ(host->commands.size(), 1u);
    EXPECT_EQ(button.GetHoldTime(), 0u);
}

TEST_F(ButtonTest, HoldOfThreeSecondsOrMoreSendsNothing)
{
    for (int style : {BUTTON_STYLE_PUSH, BUTTON_STYLE_CHECK, BUTTON_STYLE_MANUAL}) {
        for (DWORD age : {2900u, 3000u, 10000u}) {
            host->commands.clear();
            ProbeButton button;
            Create(button, style);
            test::Press(button.m_hWnd, 5, 5);
            button.AgePress(age);
            test::Release(button.m_hWnd, 5, 5);
            const bool click = age < 3000;
            EXPECT_EQ(host->commands.size(), click ? 1u : 0u) << "style " << style << " held " << age;
            EXPECT_EQ(button.GetCheckState(), style == BUTTON_STYLE_CHECK && click ? 1 : 0);
            face = test::SolidBitmap(37, 17, kFace);
        }
    }
}

TEST_F(ButtonTest, CheckCyclesThroughItsStatesAndShowsThem)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_CHECK, 3);
    const int expectState[] = {1, 2, 3, 0};
    const COLORREF expectShown[] = {kStates[0], kStates[1], kStates[2], kHover};
    for (int i = 0; i < 4; ++i) {
        test::Click(button.m_hWnd, 5, 5);
        EXPECT_EQ(button.GetCheckState(), expectState[i]);
        test::Move(button.m_hWnd, 5, 5);  // the pointer rests on the button
        EXPECT_EQ(Shows(button), expectShown[i]) << i;
    }
    EXPECT_EQ(host->commands.size(), 4u);
}

TEST_F(ButtonTest, StateCountAndSetCheckAreClamped)
{
    struct Case {
        int count, set, expect;
    } cases[] = {{0, 5, 1}, {-5, 5, 1}, {12, 100, 8}, {2, 10, 2}, {2, -1, 0}, {3, 2, 2}};
    for (const Case& c : cases) {
        ProbeButton button;
        Create(button, BUTTON_STYLE_CHECK, c.count);
        button.SetCheck(c.set);
        EXPECT_EQ(button.GetCheckState(), c.expect) << c.count << " " << c.set;
        face = test::SolidBitmap(37, 17, kFace);
    }
}

TEST_F(ButtonTest, SetCheckMakesToggleExceptManual)
{
    ProbeButton push, manual;
    Create(push, BUTTON_STYLE_PUSH, 2);
    face = test::SolidBitmap(37, 17, kFace);
    Create(manual, BUTTON_STYLE_MANUAL, 2);
    push.SetCheck(0);
    manual.SetCheck(1);
    test::Click(push.m_hWnd, 5, 5);
    test::Click(manual.m_hWnd, 5, 5);
    EXPECT_EQ(push.GetCheckState(), 1);    // now a toggle
    EXPECT_EQ(manual.GetCheckState(), 1);  // only SetCheck changes it
    EXPECT_EQ(Shows(manual), kStates[0]);
    EXPECT_EQ(host->commands.size(), 2u);
}

TEST_F(ButtonTest, MissingStateImageTakesTheFirst)
{
    HBITMAP partial[] = {states[1], nullptr};
    ProbeButton button;
    Create(button, BUTTON_STYLE_CHECK, 2, partial);
    button.SetCheck(2);
    EXPECT_EQ(Shows(button), kStates[1]);
}

TEST_F(ButtonTest, HoverFollowsThePointerAndEndsWhenCaptureIsLost)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_PUSH);
    EXPECT_EQ(Shows(button), kFace);
    test::Move(button.m_hWnd, 5, 5);
    EXPECT_EQ(Shows(button), kHover);
    EXPECT_EQ(::GetCapture(), button.m_hWnd);
    test::Move(button.m_hWnd, 60, 5);
    EXPECT_EQ(Shows(button), kFace);
    EXPECT_EQ(::GetCapture(), nullptr);

    test::Move(button.m_hWnd, 5, 5);
    ::SetCapture(host->m_hWnd);  // another window takes the mouse
    test::Pump();
    EXPECT_EQ(Shows(button), kFace);
    ::ReleaseCapture();
}

TEST_F(ButtonTest, DisabledShowsTheDisabledImage)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_CHECK, 2);
    button.SetCheck(1);
    button.EnableWindow(FALSE);
    button.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Shows(button), kDisabled);
}

TEST_F(ButtonTest, MouseStyleGoesToTheHookOnly)
{
    ProbeButton button;
    Create(button, BUTTON_STYLE_MOUSE);
    test::Click(button.m_hWnd, 5, 5);
    test::Move(button.m_hWnd, 5, 5);
    EXPECT_EQ(button.mouseCalls, 1);
    EXPECT_TRUE(host->commands.empty());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(Shows(button), kFace);
}

namespace {
// Heap blocks for buttons that are filled on release, so that any use of a
// deleted button afterwards reads garbage and fails loudly.
struct PoisonedButton : ProbeButton {
    static void* operator new(size_t size) { return std::malloc(size); }
    static void operator delete(void* p, size_t size)
    {
        memset(p, 0xDD, size);
        released = p;
        releasedSize = size;
    }
    static void* released;
    static size_t releasedSize;
};
void* PoisonedButton::released = nullptr;
size_t PoisonedButton::releasedSize = 0;

bool StillPoisoned()
{
    const BYTE* p = static_cast<const BYTE*>(PoisonedButton::released);
    for (size_t i = 0; i < PoisonedButton::releasedSize; ++i)
        if (p[i] != 0xDD) return false;
    return true;
}
}  // namespace

TEST_F(ButtonTest, ButtonDeletedByItsOwnHandlerIsNotTouchedAfterwards)
{
    for (int style : {BUTTON_STYLE_PUSH, BUTTON_STYLE_PRESS, BUTTON_STYLE_CHECK}) {
        auto* button = new PoisonedButton;
        Create(*button, style);
        host->onCommand = [&button](WORD) {
            delete button;
            button = nullptr;
        };
        test::Click(button ? button->m_hWnd : nullptr, 5, 5);
        EXPECT_EQ(button, nullptr) << "style " << style;
        EXPECT_TRUE(StillPoisoned()) << "style " << style;
        std::free(PoisonedButton::released);
        host->onCommand = nullptr;
        face = test::SolidBitmap(37, 17, kFace);
    }
}

TEST_F(ButtonTest, CommandsReachTheButtonsHookFirst)
{
    struct Hooked : KVQButton {
        BOOL OnButtonEvent(unsigned short id) override
        {
            seen = id;
            return id == 7;
        }
        int seen = 0;
    } button;
    ASSERT_TRUE(button.CreateButton(0, 0, 0, host, host, 1, nullptr, face, nullptr, nullptr, nullptr, 1,
                                    KVQ_TRANSPARENT, FALSE));
    button.SendMessage(WM_COMMAND, MAKEWPARAM(7, 0), 0);
    EXPECT_EQ(button.seen, 7);
    // The window was made in the library; the test finds the same object.
    EXPECT_EQ(CWnd::FromHandlePermanent(button.m_hWnd), &button);
}
