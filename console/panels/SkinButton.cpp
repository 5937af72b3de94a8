#include "SkinButton.h"

namespace {
// The bitmaps of one button while it is made.
class LoadedImages {
public:
    LoadedImages(HMODULE skins, const ButtonImages& ids)
    {
        const UINT order[5] = {ids.disabled, ids.state, ids.hover, ids.face, ids.secondState};
        for (int i = 0; i < 5; ++i)
            if (order[i] && skins) m_bitmaps[i] = ::LoadBitmapW(skins, MAKEINTRESOURCEW(order[i]));
    }
    ~LoadedImages()
    {
        for (HBITMAP bitmap : m_bitmaps)
            if (bitmap) ::DeleteObject(bitmap);
    }
    LoadedImages(const LoadedImages&) = delete;
    LoadedImages& operator=(const LoadedImages&) = delete;

    HBITMAP Disabled() const { return m_bitmaps[0]; }
    HBITMAP Hover() const { return m_bitmaps[2]; }
    HBITMAP Face() const { return m_bitmaps[3]; }
    HBITMAP State() const { return m_bitmaps[1]; }
    HBITMAP SecondState() const { return m_bitmaps[4]; }
    // The face is the button's from creation on.
    void HandOverFace() { m_bitmaps[3] = nullptr; }

private:
    HBITMAP m_bitmaps[5] = {};
};
}  // namespace

bool CreateSkinButton(KVQButton& button, HMODULE skins, const ButtonImages& images, int style, int x, int y,
                      CWnd* parent, CWnd* notify, UINT id)
{
    LoadedImages loaded(skins, images);
    HBITMAP states[2] = {loaded.State(), loaded.SecondState()};
    const bool created =
        button.CreateButton(style, x, y, parent, notify, id, nullptr, loaded.Face(), loaded.Hover(), loaded.Disabled(),
                            states[0] ? states : nullptr, states[1] ? 2 : 1, KVQ_TRANSPARENT, TRUE) != FALSE;
    if (created) loaded.HandOverFace();
    return created;
}

void CreateSkinButtons(KVQButton* buttons, const SkinButtonRow* rows, int count, HMODULE skins, CWnd* panel)
{
    for (int i = 0; i < count; ++i) {
        const SkinButtonRow& row = rows[i];
        CreateSkinButton(buttons[i], skins, row.images, row.style, row.x, row.y, panel, panel, row.id);
        if (!row.visible) buttons[i].ShowWindow(SW_HIDE);
    }
}

bool AddControlTip(CToolTipCtrl& tip, CWnd* owner, CWnd* control, const wchar_t* text)
{
    if (!control->m_hWnd || !tip.Create(owner, TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON)) return false;
    tip.Activate(TRUE);
    return tip.AddTool(control, text) != FALSE;
}
