// The server list's horizontal scroll extent follows its widest item, as
// measured with the list's own font: growing on adds and inserts, shrinking
// when the widest goes, and starting over when the list is cleared.
#include <gtest/gtest.h>

#include "HListBox.h"

namespace {

class HListBoxFixture : public ::testing::Test {
protected:
    HListBoxFixture()
    {
        parent.CreateEx(0, CWnd::RegisterWndClass(0), L"list host", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr);
        EXPECT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, CRect(0, 0, 120, 150), &parent, 1180));
        // A font far from the system's, so that measuring with any other shows.
        LOGFONTW face{};
        face.lfHeight = -40;
        wcscpy(face.lfFaceName, L"Tahoma");
        font = CreateFontIndirectW(&face);
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ~HListBoxFixture() override
    {
        parent.DestroyWindow();
        DeleteObject(font);
    }

    // What the item needs: its text in the list's font and a focus frame.
    int ItemWidth(const wchar_t* text)
    {
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text, int(wcslen(text)), &size);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        return size.cx + 3 * GetSystemMetrics(SM_CXBORDER);
    }
    int Extent() { return int(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)); }
    LRESULT Add(const wchar_t* text) { return SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    LRESULT Find(const wchar_t* text)
    {
        return SendMessageW(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text));
    }

    CWnd parent;
    CHListBox list;
    HFONT font = nullptr;
};

const wchar_t kShort[] = L"this";
const wchar_t kMiddle[] = L"Room A on the left";
const wchar_t kLong[] = L"The classroom console by the window";

TEST_F(HListBoxFixture, AddsAndInsertsWidenTheExtentToTheWidestItem)
{
    ASSERT_GE(Add(kShort), 0);
    EXPECT_EQ(ItemWidth(kShort), Extent());
    ASSERT_GE(SendMessageW(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(kLong)), 0);
    EXPECT_EQ(ItemWidth(kLong), Extent());
    ASSERT_GE(Add(kMiddle), 0);
    EXPECT_EQ(ItemWidth(kLong), Extent()) << "a narrower item leaves the extent alone";
    EXPECT_EQ(ItemWidth(kLong), list.WidestExtent());
}

TEST_F(HListBoxFixture, DeletingTheWidestShrinksTheExtentToTheWidestLeft)
{
    for (const wchar_t* text : {kShort, kLong, kMiddle}) ASSERT_GE(Add(text), 0);
    ASSERT_NE(LB_ERR, SendMessageW(list, LB_DELETESTRING, WPARAM(Find(kShort)), 0));
    EXPECT_EQ(ItemWidth(kLong), Extent());
    ASSERT_NE(LB_ERR, SendMessageW(list, LB_DELETESTRING, WPARAM(Find(kLong)), 0));
    EXPECT_EQ(ItemWidth(kMiddle), Extent());
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_DELETESTRING, 5, 0)) << "no such item";
    EXPECT_EQ(ItemWidth(kMiddle), Extent());
}

TEST_F(HListBoxFixture, AClearedListMeasuresAfresh)
{
    for (const wchar_t* text : {kLong, kMiddle}) ASSERT_GE(Add(text), 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, list.WidestExtent());
    ASSERT_GE(Add(kShort), 0);
    EXPECT_EQ(ItemWidth(kShort), Extent()) << "the widest before the clearing no longer counts";
}

}  // namespace
