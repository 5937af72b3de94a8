#pragma once

#include <windows.h>

#include "Annotator.h"
#include "ShapeRendering.h"

// Draws a received picture shape (typed text arrives as a PNG): the encoded
// bytes are decoded with GDI+ and drawn stretched into the shape's rectangle
// on the target layer. GDI+ must have been started by the program.
class ImageRenderer {
public:
    ImageRenderer(const ShapeTarget& target, KVQAnnotator& layer) : m_target(target), m_layer(layer) {}

    // False for a refused shape or bytes that do not decode; nothing drawn.
    bool Render(const Telvane::ImageGraphic& shape);

private:
    ShapeTarget m_target;
    KVQAnnotator& m_layer;
};

// The CLSID of GDI+'s encoder of exactly this MIME type; its index, or -1.
int FindEncoderClsid(const wchar_t* mime, CLSID* clsid);
