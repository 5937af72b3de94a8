#pragma once
// Annotation shapes as they travel between consoles. Coordinates and line
// widths are fractions of the picture, so a shape lands at the same place
// whatever the size of the receiving picture.
#include "telvane/Object.h"

#include <cstdint>
#include <vector>

namespace Telvane {

// c0 red, c1 green, c2 blue, c3 opacity, each 0.0 to 1.0.
class Color : public Object {
public:
    Color(float c0 = 0.0f, float c1 = 0.0f, float c2 = 0.0f, float c3 = 0.0f) : c0(c0), c1(c1), c2(c2), c3(c3) {}
    std::string typeName() const override { return "Telvane::QxColor"; }
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

    float c0, c1, c2, c3;
};

class Point : public Object {
public:
    Point(float x = 0.0f, float y = 0.0f) : x(x), y(y) {}
    std::string typeName() const override { return "Telvane::QxPoint"; }
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

    float x, y;
};

class Graphic : public Object {
public:
    float lineWidth() const { return lineWidth_; }
    void setLineWidth(float width) { lineWidth_ = width; }
    Color firstColor() const { return firstColor_; }
    Color secondColor() const { return secondColor_; }
    void setFirstColor(const Color& c) { firstColor_ = c; }
    void setSecondColor(const Color& c) { secondColor_ = c; }

    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

private:
    float lineWidth_ = 1.0f;
    Color firstColor_;
    Color secondColor_;
};

class RectGraphic : public Graphic {
public:
    RectGraphic(float x = 0.0f, float y = 0.0f, float width = 0.0f, float height = 0.0f)
        : x_(x), y_(y), width_(width), height_(height)
    {
    }
    std::string typeName() const override { return "Telvane::QxRectGraphic"; }

    float x() const { return x_; }
    float y() const { return y_; }
    float width() const { return width_; }
    float height() const { return height_; }
    void setRect(float x, float y, float width, float height);

    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

private:
    float x_, y_, width_, height_;
};

// The ellipse inscribed in the rectangle.
class Ellipse : public RectGraphic {
public:
    using RectGraphic::RectGraphic;
    std::string typeName() const override { return "Telvane::QxEllipse"; }
};

// The rectangle to erase.
class RectEraser : public RectGraphic {
public:
    using RectGraphic::RectGraphic;
    std::string typeName() const override { return "Telvane::QxRectEraser"; }
};

// An encoded picture (typed text rendered as PNG) placed in its rectangle.
class ImageGraphic : public RectGraphic {
public:
    ImageGraphic() = default;
    // Copies size bytes; without data nothing is held and the size is 0, so
    // that the encoding always carries as many bytes as it announces.
    ImageGraphic(const void* data, uint32_t size, float x, float y, float width, float height);
    ~ImageGraphic() override;
    ImageGraphic(const ImageGraphic&) = delete;
    ImageGraphic& operator=(const ImageGraphic&) = delete;

    std::string typeName() const override { return "Telvane::QxImageGraphic"; }
    const uint8_t* imageData() const { return data_; }
    uint32_t imageSize() const { return size_; }

    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

private:
    uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
};

class Path : public Graphic {
public:
    Path() = default;
    explicit Path(const std::vector<Point>& points) : points_(points) {}
    std::string typeName() const override { return "Telvane::QxPath"; }
    const std::vector<Point>& points() const { return points_; }

    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

private:
    std::vector<Point> points_;
};

}  // namespace Telvane
