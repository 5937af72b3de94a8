#pragma once

#include <kvquikit.h>

#include "Annotator.h"
#include "ShapeRendering.h"
#include "orbile/CriticalSection.h"

class CInputCtrl;

// A window's picture as the annotation panel draws on it: the main window's
// live picture or a picture window's.
struct DrawingSurface {
    KVQAnnotator* layer;   // where finished drawing goes
    bool live;             // the main window's drawing plane: the frame path reads it
    ShapeTarget geometry;  // canvas in window pixels, view in layer pixels, camera zoom
    CPoint pointer;        // the window's last pointer position
    CInputCtrl* textInput;
    bool viewed = false;  // another console's picture: finished drawing is sent there
};

// What the annotation panel needs of the windows it draws on.
class IAnnotationHost {
public:
    virtual ~IAnnotationHost() = default;
    // False while the window shows no picture that may be drawn on.
    virtual bool GetDrawingSurface(CWnd* window, DrawingSurface& surface) = 0;
    // Held while the drawing plane is written: the frame path lays it over
    // the camera's frames on its own thread.
    virtual orbile::CriticalSection& DisplayLock() = 0;
    // The drawing plane was drawn on: it takes the camera's orientation.
    virtual void DrawingPlaneChanged() = 0;
    // The main window, whose picture is the live one.
    virtual CWnd* LiveWindow() = 0;
    // The window whose drawing "Erase all" clears: the main window or a
    // picture window, whichever was active last.
    virtual CWnd* LastActivePictureWindow() = 0;
    // The control bar's copy tool is chosen: a drag selects an area of the
    // picture for the clipboard instead of drawing.
    virtual bool IsCopyToolChosen() = 0;
    // The selection, in the window's coordinates, goes to the clipboard at
    // the next paint of the window that is active then.
    virtual void RequestCopy(const RECT& selection) = 0;
    // The annotation sub-panel in the bar, shown (another one gives way) or
    // hidden with the bar back at its rows.
    virtual void ShowAnnotationPanel(bool show) = 0;
    virtual bool IsOtherSubPanelShown() = 0;
};
