#pragma once

#include <kvquikit.h>

// The pan cross in the lower left corner of a skinned window's picture: four
// arrows around a centre piece, children of the window, that send it the pan
// commands. An arrow sends its command when pressed and once more at every
// tick of the window's timer while it is held.
class CZoomAndPan {
public:
    // Slots 0 and 1 are never made.
    enum Slot { UP = 2, DOWN, LEFT, RIGHT, CENTRE, SLOTS };

    CZoomAndPan();
    ~CZoomAndPan();
    CZoomAndPan(const CZoomAndPan&) = delete;
    CZoomAndPan& operator=(const CZoomAndPan&) = delete;

    // Makes the cross, hidden, with the skin library's images; 1.
    int Create(KVQWindow* owner, HMODULE skins);
    // The cross's 90 x 90 square in window coordinates, 64 pixels above the
    // bottom of a window of that rectangle.
    static void GetStripRect(RECT* out, const RECT& window);
    // Puts the buttons in place for the owner's present size.
    void Layout();
    void SetVisible(int show);
    int IsVisible() const { return m_visible; }
    void RelayToolTips(MSG* msg);
    // The owner's timer tick: held arrows send their command again.
    void Tick();
    void RedrawPanButtons();
    KVQButton& Button(Slot slot) { return m_buttons[slot]; }

private:
    CPoint Place(Slot slot, const RECT& strip) const;
    void EnableArrows();

    KVQButton m_buttons[SLOTS];
    KVQWindow* m_owner = nullptr;
    int m_visible = 0;
    CToolTipCtrl m_tips[CENTRE];
};
