#pragma once

#include <kvquikit.h>

// The skin library's images of one button; 0 leaves a role to the control
// library's default image. A second state image serves three-state buttons.
struct ButtonImages {
    UINT disabled;
    UINT state;
    UINT hover;
    UINT face;
    UINT secondState;
};

// Creates a skinned button from the images of the skin library (colour key
// magenta, region from the face). The button keeps the face; the other
// bitmaps, which it copies, are freed here.
bool CreateSkinButton(KVQButton& button, HMODULE skins, const ButtonImages& images, int style, int x, int y,
                      CWnd* parent, CWnd* notify, UINT id);

// A tooltip for one control: always shown, no prefix, balloon; activated.
bool AddControlTip(CToolTipCtrl& tip, CWnd* owner, CWnd* control, const wchar_t* text);
