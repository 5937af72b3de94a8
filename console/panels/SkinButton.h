#pragma once

#include <kvquikit.h>

#include "SkinIds.h"

// The skin library's images of one button; 0 leaves a role to the control
// library's default image. A second state image serves three-state buttons.
struct ButtonImages {
    UINT disabled;
    UINT state;
    UINT hover;
    UINT face;
    UINT secondState;
};

// The four images in a row from first: disabled, state, hover, face.
constexpr ButtonImages FourImages(UINT first, UINT secondState = 0)
{
    return {first, first + 1, first + 2, first + 3, secondState};
}
// The same with the state image first: state, disabled, hover, face.
constexpr ButtonImages StateFirstImages(UINT first) { return {first + 1, first, first + 2, first + 3, 0}; }
// One image for every role but the disabled one.
constexpr ButtonImages OneFace(UINT disabled, UINT face) { return {disabled, face, face, face, 0}; }
// A panel made as a button: the panel background in every role but the face.
constexpr ButtonImages PanelImages(UINT face)
{
    return {SKIN_PANEL_BACKGROUND, SKIN_PANEL_BACKGROUND, SKIN_PANEL_BACKGROUND, face, 0};
}

// Creates a skinned button from the images of the skin library (colour key
// magenta, region from the face). The button keeps the face; the other
// bitmaps, which it copies, are freed here.
bool CreateSkinButton(KVQButton& button, HMODULE skins, const ButtonImages& images, int style, int x, int y,
                      CWnd* parent, CWnd* notify, UINT id);

// One skinned button of a panel's table, with its tooltip's key and text.
struct SkinButtonRow {
    unsigned short id;
    int style;
    int x, y;
    ButtonImages images;
    const wchar_t* tipKey;
    const wchar_t* tipText;
    bool visible;
};

// Creates the buttons of a table in panel, which they notify; the rows not
// visible start hidden.
void CreateSkinButtons(KVQButton* buttons, const SkinButtonRow* rows, int count, HMODULE skins, CWnd* panel);

// A tooltip for one control: always shown, no prefix, balloon; activated.
bool AddControlTip(CToolTipCtrl& tip, CWnd* owner, CWnd* control, const wchar_t* text);
