// Shapes as another console sends them: decoded from bytes, checked and drawn
// into a small drawing plane. Hostile numbers must be refused, never crash
// or stray outside the planes.
#include "ShapeRendering.h"
#include "telvane/TypeRegistry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Telvane::registerTypes();
    std::unique_ptr<Telvane::Object> object(Telvane::decodeMessage(data, uint32_t(size)));
    if (!object) return 0;
    std::vector<std::uint32_t> drawingPixels(64 * 48), stagingPixels(64 * 48);
    const ArgbPlane drawing{drawingPixels.data(), 64, 48};
    const ArgbPlane staging{stagingPixels.data(), 64, 48};
    ShapeRenderer renderer({{0, 0, 320, 240}, {0, 0, 64, 48}, 1.0f}, drawing, staging);
    if (auto* ellipse = dynamic_cast<Telvane::Ellipse*>(object.get()))
        renderer.RenderEllipse(*ellipse);
    else if (auto* eraser = dynamic_cast<Telvane::RectEraser*>(object.get()))
        renderer.RenderEraser(*eraser);
    else if (auto* rect = dynamic_cast<Telvane::RectGraphic*>(object.get()))
        renderer.RenderRect(*rect);
    else if (auto* path = dynamic_cast<Telvane::Path*>(object.get())) {
        int width;
        renderer.PathPenWidth(*path, width);
    }
    return 0;
}
