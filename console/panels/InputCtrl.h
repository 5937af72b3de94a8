#pragma once

#include <kvquikit.h>
#include <richedit.h>

// The box in which the user types an annotation text over a picture: a small
// multi-line rich-edit control that grows with its text up to the edge of
// the window's picture area. Its font (and, through the annotation panel,
// its colour) is what the finished text is drawn with.
class CInputCtrl : public CWnd {
public:
    static constexpr UINT kControlId = 9528;
    static constexpr int kMinWidth = 32;
    static constexpr int kMinHeight = 24;

    CInputCtrl();
    ~CInputCtrl() override;

    // Created visible at the parent's top-left; the owner hides it.
    BOOL Create(CWnd* parent, UINT id);
    // An empty box at (x, y) of the parent, on top, with the keyboard focus.
    void Show(int x, int y);
    // The hidden box forgets its text.
    void Dismiss();
    void ApplyFont();
    // The text's rectangle in the parent (top-left at the box) and its length.
    int MeasureText(RECT* out);
    void AutoSize(BOOL newLine);
    // The current word takes the colour (a GDI colour).
    void ApplyColour(COLORREF colour);

    const wchar_t* Text() const { return m_text; }
    const LOGFONTW& FontDescription() const { return m_fontDescription; }
    HFONT Font() const { return m_font; }
    // The font's height in points on the measuring context.
    int Points() const;
    bool WidthLimitReached() const { return m_widthLimitReached != 0; }
    bool HeightLimitReached() const { return m_heightLimitReached != 0; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    SIZE Extent(const wchar_t* text, int length) const;
    void Limits(int& right, int& bottom) const;

    wchar_t m_text[1024];
    LOGFONTW m_fontDescription;
    CDC m_measuringDC;
    CFont m_font;
    CHARFORMATW m_charFormat;
    int m_widthLimitReached = 0;
    int m_heightLimitReached = 0;
};
