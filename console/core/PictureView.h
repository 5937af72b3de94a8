#pragma once

#include "PixelPlane.h"
#include "ZoomGeometry.h"

// The zoom and pan steps of a picture window over its view rectangle (the
// part of a width x height picture it shows): pans by a twentieth of the
// view, never past the picture's edges; zooms by a tenth about the centre,
// in until the view is narrower than 21 pixels, out up to the whole picture.
enum class ViewStep { PanUp, PanDown, PanLeft, PanRight, ZoomIn, ZoomOut };

void StepView(PixelRect& view, int width, int height, ViewStep step);

// The size a picture of width x height takes on a printer: its 1:1 screen
// size scaled by the printer's pixels per inch over the screen's, each axis
// on its own; shrunk with its shape kept when that exceeds the page.
PixelSize PrintedPictureSize(int width, int height, PixelSize screenDpi, PixelSize printerDpi, PixelSize page);
